#include "server/Connection.h"
#include "server/Query.h"
#include "server/QueryTableModel.h"
#include "server/ResultSet.h"
#include "shell/Error.h"

#include <QSignalSpy>
#include <QTest>

using namespace yorsabat::server;

namespace {

std::unique_ptr<ResultSet> assets()
{
    std::vector<FieldInfo> fields(4);
    fields[0].name = QStringLiteral("DMKKOD");
    fields[1].name = QStringLiteral("DMKCINSI");
    fields[2].name = QStringLiteral("DMKGIRTUTAR");
    fields[2].type = FieldType::Decimal;
    fields[2].precision = 28;
    fields[2].scale = 9;
    fields[3].name = QStringLiteral("DMKGIRTARIH");
    fields[3].type = FieldType::DateTime;
    auto rs = std::make_unique<ResultSet>(std::move(fields));
    rs->appendText(0, u"D-001");
    rs->appendText(1, u"Çalışma masası");
    rs->appendDecimal(2, u"12500.500000000");
    rs->appendDateTime(3, QDateTime(QDate(2024, 3, 18), QTime(0, 0), Qt::UTC));
    rs->appendText(0, u"D-002");
    rs->appendNull(1);
    rs->appendDecimal(2, u"0.000000000");
    rs->appendDateTime(3, QDateTime(QDate(2024, 12, 31), QTime(17, 5, 9), Qt::UTC));
    return rs;
}

} // namespace

class TestQueryTableModel : public QObject
{
    Q_OBJECT
private slots:
    void showsEveryColumnOfTheOpenResult();
    void fixedColumnsFoundByName();
    void followsTheQuery();
    void requireField();
};

void TestQueryTableModel::showsEveryColumnOfTheOpenResult()
{
    Connection connection;
    Query query(connection, QStringLiteral("ADOQuery1"));
    QueryTableModel model(query);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);

    query.adoptResult(assets());
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("DMKCINSI"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("Çalışma masası"));
    QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral("12500.5"));
    QCOMPARE(model.data(model.index(1, 2)).toString(), QStringLiteral("0"));
    QCOMPARE(model.data(model.index(1, 1)).toString(), QString()); // NULL
    // Dates read day first; a time only where there is one.
    QCOMPARE(model.data(model.index(0, 3)).toString(), QStringLiteral("18.03.2024"));
    QCOMPARE(model.data(model.index(1, 3)).toString(), QStringLiteral("31.12.2024 17:05:09"));
    QVERIFY(model.data(model.index(0, 2), Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    QVERIFY(model.data(model.index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
    QVERIFY(!model.data(model.index(5, 0)).isValid());
}

void TestQueryTableModel::fixedColumnsFoundByName()
{
    Connection connection;
    Query query(connection, QStringLiteral("ADOQuery11"));
    QueryTableModel model(query, {{QStringLiteral("dmkgirtutar"), QStringLiteral("Giriş Tutarı")},
                                  {QStringLiteral("DMHYIL"), {}},
                                  {QStringLiteral("DMKKOD"), {}}});
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Giriş Tutarı"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("DMHYIL"));

    query.adoptResult(assets());
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("12500.5"));
    QVERIFY(!model.data(model.index(0, 1)).isValid()); // not in the result: empty cells
    QCOMPARE(model.data(model.index(1, 2)).toString(), QStringLiteral("D-002"));
}

void TestQueryTableModel::followsTheQuery()
{
    Connection connection;
    auto query = std::make_unique<Query>(connection, QStringLiteral("ADOQuery1"));
    QueryTableModel model(*query);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    query->adoptResult(assets());
    QCOMPARE(resets.size(), 1);
    QCOMPARE(model.rowCount(), 2);

    query->setSql(QStringLiteral("SELECT 1")); // setting the text closes the result
    QCOMPARE(resets.size(), 2);
    QVERIFY(!query->isOpen());
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);

    query->adoptResult(assets());
    query.reset(); // the query goes first: the model must not read its result
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.data(model.index(0, 0)).isValid());
}

void TestQueryTableModel::requireField()
{
    Connection connection;
    Query query(connection, QStringLiteral("ADOQuery3"));
    try {
        query.requireField(u"name");
        QFAIL("no error while closed");
    } catch (const yorsabat::Error &e) {
        QCOMPARE(e.message(), QStringLiteral("ADOQuery3: Field 'name' not found."));
    }
    query.adoptResult(assets());
    QCOMPARE(query.requireField(u"dmkcinsi"), 1);
    QVERIFY_THROWS_EXCEPTION(yorsabat::Error, query.requireField(u"name"));
}

QTEST_GUILESS_MAIN(TestQueryTableModel)
#include "tst_data_model.moc"
