#include "server/ResultSet.h"
#include "shell/Error.h"

#include <QTest>

using namespace yorsabat::server;

namespace {

FieldInfo decimalField(int precision, int scale)
{
    FieldInfo f;
    f.name = QStringLiteral("AMOUNT");
    f.type = FieldType::Decimal;
    f.precision = precision;
    f.scale = scale;
    return f;
}

FieldInfo plainField(const QString &name, FieldType type)
{
    FieldInfo f;
    f.name = name;
    f.type = type;
    return f;
}

} // namespace

class TestResultSet : public QObject
{
    Q_OBJECT
private slots:
    void decimalsStayExact_data();
    void decimalsStayExact();
    void invalidDecimalIsRefused();
    void integerReading_data();
    void integerReading();
    void floatReading_data();
    void floatReading();
    void dateTimes_data();
    void dateTimes();
    void textsKeepEveryCharacter();
    void largeResultsKeepEveryValue();
    void nullsReadAsEmptyZeroInvalid();
    void rowCountAndFieldLookup();
    void outOfRangeIsAnError();
};

void TestResultSet::decimalsStayExact_data()
{
    QTest::addColumn<int>("precision");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("asFloat");

    QTest::newRow("trailing zeros dropped") << 18 << 9 << "-12345678.910000000" << "-12345678.91" << -12345678.91;
    QTest::newRow("whole number loses the point") << 18 << 2 << "1500.00" << "1500" << 1500.0;
    QTest::newRow("no leading zero from driver") << 10 << 4 << ".5000" << "0.5" << 0.5;
    QTest::newRow("negative below one") << 10 << 4 << "-.0001" << "-0.0001" << -0.0001;
    QTest::newRow("negative zero") << 10 << 2 << "-0.00" << "0" << 0.0;
    QTest::newRow("zero") << 10 << 2 << "0.00" << "0" << 0.0;
    QTest::newRow("scale zero") << 10 << 0 << "42" << "42" << 42.0;
    QTest::newRow("money") << 19 << 4 << "922337203685477.5807" << "922337203685477.5807" << 922337203685477.5807;
    QTest::newRow("18 digits fit") << 18 << 0 << "999999999999999999" << "999999999999999999" << 999999999999999999.0;
    QTest::newRow("38 digits kept as text") << 38 << 10 << "1234567890123456789012345678.1234567890"
                                            << "1234567890123456789012345678.123456789"
                                            << 1234567890123456789012345678.123456789;
    QTest::newRow("wide negative") << 38 << 2 << "-00012345678901234567890.10" << "-12345678901234567890.1"
                                   << -12345678901234567890.1;
    QTest::newRow("more digits than the scale") << 10 << 2 << "1.005" << "1.005" << 1.005;
    QTest::newRow("a float's nearest is not used") << 20 << 2 << "0.10" << "0.1" << 0.1;
}

void TestResultSet::decimalsStayExact()
{
    QFETCH(int, precision);
    QFETCH(int, scale);
    QFETCH(QString, input);
    QFETCH(QString, text);
    QFETCH(double, asFloat);

    ResultSet rs({decimalField(precision, scale)});
    rs.appendDecimal(0, input);
    QCOMPARE(rs.rowCount(), 1);
    QVERIFY(!rs.isNull(0, 0));
    QCOMPARE(rs.asText(0, 0), text);
    QCOMPARE(rs.asFloat(0, 0), asFloat);
}

void TestResultSet::invalidDecimalIsRefused()
{
    ResultSet rs({decimalField(10, 2)});
    for (const QString &bad : {QStringLiteral(""), QStringLiteral("-"), QStringLiteral("1,5"), QStringLiteral("1e5"),
                               QStringLiteral("abc"), QStringLiteral("1.2.3")}) {
        try {
            rs.appendDecimal(0, bad);
            QFAIL(qPrintable(QStringLiteral("accepted '%1'").arg(bad)));
        } catch (const yorsabat::Error &e) {
            QVERIFY2(e.message().contains(QStringLiteral("AMOUNT")), qPrintable(e.message()));
        }
    }
    QCOMPARE(rs.rowCount(), 0);
}

void TestResultSet::integerReading_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("expected");

    const int text = int(FieldType::Text), dec = int(FieldType::Decimal), flt = int(FieldType::Float);
    QTest::newRow("text of digits") << text << "00123" << true << qint64(123);
    QTest::newRow("text with sign") << text << "-45" << true << qint64(-45);
    QTest::newRow("padded char column") << text << "  7   " << true << qint64(7);
    QTest::newRow("largest int64") << text << "9223372036854775807" << true << std::numeric_limits<qint64>::max();
    QTest::newRow("smallest int64") << text << "-9223372036854775808" << true << std::numeric_limits<qint64>::min();
    QTest::newRow("text overflow") << text << "9223372036854775808" << false << qint64(0);
    QTest::newRow("text with letters") << text << "12a" << false << qint64(0);
    QTest::newRow("empty text") << text << "" << false << qint64(0);
    QTest::newRow("text of a fraction") << text << "1.5" << false << qint64(0);
    QTest::newRow("decimal whole") << dec << "120.00" << true << qint64(120);
    QTest::newRow("decimal negative whole") << dec << "-3" << true << qint64(-3);
    QTest::newRow("decimal fraction") << dec << "120.50" << false << qint64(0);
    QTest::newRow("float whole") << flt << "2" << true << qint64(2);
    QTest::newRow("float fraction") << flt << "2.25" << false << qint64(0);
    QTest::newRow("float too large") << flt << "1e19" << false << qint64(0);
}

void TestResultSet::integerReading()
{
    QFETCH(int, type);
    QFETCH(QString, value);
    QFETCH(bool, ok);
    QFETCH(qint64, expected);

    FieldInfo f = type == int(FieldType::Decimal) ? decimalField(18, 2) : plainField(QStringLiteral("KOD"), FieldType(type));
    ResultSet rs({f});
    if (f.type == FieldType::Decimal)
        rs.appendDecimal(0, value);
    else if (f.type == FieldType::Float)
        rs.appendFloat(0, value.toDouble());
    else
        rs.appendText(0, value);

    if (ok) {
        QCOMPARE(rs.asInteger(0, 0), expected);
    } else {
        try {
            rs.asInteger(0, 0);
            QFAIL("no error");
        } catch (const yorsabat::Error &e) {
            QVERIFY2(e.message().contains(QStringLiteral("not a valid integer")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(f.name), qPrintable(e.message()));
        }
    }
}

void TestResultSet::floatReading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("expected");
    QTest::newRow("point") << "12.5" << true << 12.5;
    QTest::newRow("integer") << "-3" << true << -3.0;
    QTest::newRow("comma") << "12,5" << false << 0.0;
    QTest::newRow("word") << "yok" << false << 0.0;
}

void TestResultSet::floatReading()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, expected);
    ResultSet rs({plainField(QStringLiteral("T"), FieldType::Text), plainField(QStringLiteral("F"), FieldType::Float)});
    rs.appendText(0, text);
    rs.appendFloat(1, 0.1);
    QCOMPARE(rs.asText(0, 1), QStringLiteral("0.1"));
    if (ok)
        QCOMPARE(rs.asFloat(0, 0), expected);
    else
        QVERIFY_THROWS_EXCEPTION(yorsabat::Error, rs.asFloat(0, 0));
}

void TestResultSet::dateTimes_data()
{
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("midnight") << QDateTime(QDate(2024, 1, 31), QTime(0, 0), Qt::UTC) << "2024-01-31 00:00:00";
    QTest::newRow("with seconds") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58), Qt::UTC) << "2024-12-31 23:59:58";
    QTest::newRow("milliseconds") << QDateTime(QDate(2024, 2, 29), QTime(8, 5, 3, 70), Qt::UTC) << "2024-02-29 08:05:03.070";
    QTest::newRow("local time keeps wall time") << QDateTime(QDate(2024, 3, 31), QTime(2, 30), Qt::LocalTime)
                                                << "2024-03-31 02:30:00";
    QTest::newRow("old date") << QDateTime(QDate(1753, 1, 1), QTime(0, 0), Qt::UTC) << "1753-01-01 00:00:00";
}

void TestResultSet::dateTimes()
{
    QFETCH(QDateTime, value);
    QFETCH(QString, text);
    ResultSet rs({plainField(QStringLiteral("TARIH"), FieldType::DateTime)});
    rs.appendDateTime(0, value);
    QCOMPARE(rs.asText(0, 0), text);
    const QDateTime back = rs.asDateTime(0, 0);
    QCOMPARE(back.timeSpec(), Qt::UTC);
    QCOMPARE(back.date(), value.date());
    QCOMPARE(back.time(), value.time());
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, rs.asInteger(0, 0));

    // A text column holding the same text reads back as that date-time.
    ResultSet texts({plainField(QStringLiteral("S"), FieldType::Text)});
    texts.appendText(0, text);
    texts.appendText(0, QStringLiteral("31.01.2024"));
    QCOMPARE(texts.asDateTime(0, 0), back);
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, texts.asDateTime(1, 0));
}

void TestResultSet::textsKeepEveryCharacter()
{
    const QString turkish = QStringLiteral("ĞÜŞİÖÇğüşıöç demirbaş");
    const QString longText(70000, QChar(u'ş'));
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    ResultSet rs({plainField(QStringLiteral("ACIKLAMA"), FieldType::Text)});
    rs.appendText(0, turkish);
    rs.appendText(0, QString());
    rs.appendNull(0);
    rs.appendText(0, longText);
    rs.appendText(0, withNul);
    QCOMPARE(rs.rowCount(), 5);
    QCOMPARE(rs.asText(0, 0), turkish);
    QVERIFY(!rs.isNull(1, 0));
    QCOMPARE(rs.asText(1, 0), QString());
    QVERIFY(rs.isNull(2, 0));
    QCOMPARE(rs.asText(3, 0), longText);
    QCOMPARE(rs.asText(4, 0), withNul);
    QVERIFY(rs.storageBytes() >= std::size_t(longText.size()) * 2);
}

void TestResultSet::largeResultsKeepEveryValue()
{
    // Enough rows and characters to fill several storage chunks, with texts
    // of every length (one longer than a whole chunk) and NULLs between them.
    ResultSet rs({plainField(QStringLiteral("N"), FieldType::Integer), plainField(QStringLiteral("T"), FieldType::Text),
                  decimalField(18, 2)});
    const qint64 rows = 200000, huge = 150001;
    const QString big = QString(1500000, QChar(u'Ğ')) + QStringLiteral("son");
    auto textOf = [](qint64 r) { return QString::number(r).repeated(int(r % 13)); };
    for (qint64 r = 0; r < rows; ++r) {
        rs.appendInteger(0, r * 3);
        if (r == huge)
            rs.appendText(1, big);
        else if (r % 10 == 7)
            rs.appendNull(1);
        else
            rs.appendText(1, textOf(r));
        rs.appendDecimal(2, QString::number(r) + QStringLiteral(".5"));
    }
    QCOMPARE(rs.rowCount(), rows);
    for (qint64 r = 0; r < rows; ++r) {
        QCOMPARE(rs.asInteger(r, 0), r * 3);
        if (r == huge)
            QCOMPARE(rs.asText(r, 1), big);
        else if (r % 10 == 7)
            QVERIFY(rs.isNull(r, 1));
        else if (rs.asText(r, 1) != textOf(r))
            QFAIL(qPrintable(QStringLiteral("row %1: '%2'").arg(r).arg(rs.asText(r, 1))));
        if (rs.asFloat(r, 2) != double(r) + 0.5)
            QFAIL(qPrintable(QStringLiteral("row %1: %2").arg(r).arg(rs.asText(r, 2))));
    }
}

void TestResultSet::nullsReadAsEmptyZeroInvalid()
{
    ResultSet rs({plainField(QStringLiteral("I"), FieldType::Integer), decimalField(18, 2),
                  plainField(QStringLiteral("D"), FieldType::DateTime), plainField(QStringLiteral("T"), FieldType::Text)});
    // 130 rows so the bitmap spans several words; every third row NULL.
    for (int r = 0; r < 130; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (r % 3 == 0) {
                rs.appendNull(c);
                continue;
            }
            switch (c) {
            case 0: rs.appendInteger(c, r); break;
            case 1: rs.appendDecimal(c, QString::number(r) + QStringLiteral(".25")); break;
            case 2: rs.appendDateTime(c, QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC).addDays(r)); break;
            case 3: rs.appendText(c, QString::number(r)); break;
            }
        }
    }
    QCOMPARE(rs.rowCount(), 130);
    for (int r = 0; r < 130; ++r) {
        const bool null = r % 3 == 0;
        for (int c = 0; c < 4; ++c)
            QCOMPARE(rs.isNull(r, c), null);
        if (null) {
            QCOMPARE(rs.asText(r, 0), QString());
            QCOMPARE(rs.asInteger(r, 0), 0);
            QCOMPARE(rs.asFloat(r, 1), 0.0);
            QVERIFY(!rs.asDateTime(r, 2).isValid());
            QCOMPARE(rs.asInteger(r, 3), 0);
        } else {
            QCOMPARE(rs.asInteger(r, 0), r);
            QCOMPARE(rs.asText(r, 1), QString::number(r) + QStringLiteral(".25"));
            QCOMPARE(rs.asDateTime(r, 2).date(), QDate(2024, 1, 1).addDays(r));
            QCOMPARE(rs.asInteger(r, 3), r);
        }
    }
}

void TestResultSet::rowCountAndFieldLookup()
{
    ResultSet rs({plainField(QStringLiteral("DMKKOD"), FieldType::Text), plainField(QStringLiteral("DmhYil"), FieldType::Integer)});
    QCOMPARE(rs.fieldCount(), 2);
    QCOMPARE(rs.fieldIndex(u"dmkkod"), 0);
    QCOMPARE(rs.fieldIndex(u"DMHYIL"), 1);
    QCOMPARE(rs.fieldIndex(u"DMHYI"), -1);
    QCOMPARE(rs.rowCount(), 0);
    rs.appendText(0, u"A");
    QCOMPARE(rs.rowCount(), 0); // the second column has no value yet
    rs.appendInteger(1, 2024);
    QCOMPARE(rs.rowCount(), 1);
    QCOMPARE(rs.asText(0, 1), QStringLiteral("2024"));
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, rs.appendText(1, u"x"));

    ResultSet none({});
    QCOMPARE(none.rowCount(), 0);
    QCOMPARE(none.fieldIndex(u"x"), -1);
}

void TestResultSet::outOfRangeIsAnError()
{
    ResultSet rs({plainField(QStringLiteral("A"), FieldType::Integer)});
    rs.appendInteger(0, 1);
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, rs.asText(1, 0));
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, rs.asText(-1, 0));
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, rs.asInteger(0, 1));
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, rs.field(2));
}

QTEST_GUILESS_MAIN(TestResultSet)
#include "tst_data_resultset.moc"
