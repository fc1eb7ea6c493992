#include "ReportRows.h"
#include "WorkbookReader.h"

#include "reports/AssetWorkbook.h"
#include "shell/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cstdio>
#include <string>

using yorsabat::Error;
using yorsabat::reports::writeAssetWorkbook;
using yorsabat::server::ResultSet;

namespace {

// The sheet's columns, 0-based, as users' spreadsheets address them.
enum SheetColumn { KOD, ACIKLAMA, AMORT_YUZ, GIRIS_TAR, GIRIS_TUTAR, AMROT_SURE, AMORT_BITIS, DONEM, YIL,
                   DUZ_ONC_AKTIF, DUZ_SON_AKTIF, AKTIF_FARK, DEG_ART_FON, DUZ_ONC_BIRIK, DUZ_SON_BIRIK,
                   BIRIKMIS_FARK, AYRILAN, AMORT_ORAN, DUZ_KAT, TOP_BIRIK, TOP_AKTIF };

const QStringList expectedTitles{
    u"KOD"_qs, u"AÇIKLAMA"_qs, u"AMORT YÜZ."_qs, u"GİRİŞ TAR."_qs, u"GİRİŞ TUTAR"_qs, u"AMROT.SÜRE"_qs,
    u"AMORT.BİTİŞ"_qs, u"DÖNEM"_qs, u"YIL"_qs, u"DÜZ.ÖNC.AKTİF"_qs, u"DÜZ.SON.AKTİF"_qs, u"AKTİF FARK"_qs,
    u"DEĞ.ART.FON"_qs, u"DÜZ.ÖNC.BİRİK.FARK"_qs, u"DÜZ.SON.BİRİK.FARK"_qs, u"BİRİKMİŞ FARK"_qs,
    u"AYRILAN AMORT."_qs, u"AMORT.ORAN"_qs, u"DÜZ.KAT SAYISI"_qs, u"TOP.BİRİK.AMORT."_qs, u"TOP.AKTİF DEĞER"_qs,
};

// Query column order: ... DMHYIL, DONEM, columns 10-19 (decimals), the two float totals.
std::unique_ptr<ResultSet> sampleRows()
{
    auto rows = std::make_unique<ResultSet>(reportFields());
    appendRow(*rows, {u"D-001"_qs, u"Bina, İstanbul şubesi ğüşıöç"_qs, u"2.000000000"_qs,
                      QDateTime(QDate(2024, 3, 15), QTime(10, 30), Qt::UTC), u"12345678.910000000"_qs, 5, 2029,
                      2024, u"4"_qs, u"0.100000000"_qs, u"-98765432.120000000"_qs, u"1.000000000"_qs,
                      u"2.500000000"_qs, u"3.000000000"_qs, u"4.000000000"_qs, u"5.000000000"_qs,
                      u"6.000000000"_qs, u"0.200000000"_qs, u"1.123456789"_qs, 1234.5, -0.1});
    // Every nullable column NULL; a blank-padded quarter as a char column delivers it.
    QVariantList nulls(21);
    nulls[0] = u"D-002"_qs;
    nulls[7] = 2024;
    nulls[8] = u"1    "_qs;
    appendRow(*rows, nulls);
    return rows;
}

QByteArray fileContents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class AssetWorkbookTest : public QObject
{
    Q_OBJECT

private slots:
    void writesTitlesAndTypedCellsInSheetOrder();
    void emptyResultGivesHeaderOnly();
    void numbersDoNotFollowTheUserLocale();
    void failureKeepsPreviousFile_data();
    void failureKeepsPreviousFile();
    void replacesAnExistingFile();
};

void AssetWorkbookTest::writesTitlesAndTypedCellsInSheetOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"VEZ_001_2024_Detay.xlsx"_qs);
    writeAssetWorkbook(*sampleRows(), path);

    const WorkbookContents book = readWorkbook(path);
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QCOMPARE(book.sheets, 1);
    QCOMPARE(book.rows.size(), 3);

    QStringList titles;
    for (int c = 0; c < 21; ++c) {
        QCOMPARE(book.kind(0, c), u"text"_qs);
        titles << book.text(0, c);
    }
    QCOMPARE(titles, expectedTitles);

    // Texts, the date as a date, integers as integers, the quarter before the year.
    QCOMPARE(book.text(1, KOD), u"D-001"_qs);
    QCOMPARE(book.text(1, ACIKLAMA), u"Bina, İstanbul şubesi ğüşıöç"_qs);
    QCOMPARE(book.kind(1, GIRIS_TAR), u"date"_qs);
    QCOMPARE(book.text(1, GIRIS_TAR), u"2024-03-15T10:30:00"_qs);
    QCOMPARE(book.kind(1, AMROT_SURE), u"int"_qs);
    QCOMPARE(book.integer(1, AMROT_SURE), 5);
    QCOMPARE(book.integer(1, AMORT_BITIS), 2029);
    QCOMPARE(book.kind(1, DONEM), u"int"_qs);
    QCOMPARE(book.integer(1, DONEM), 4);
    QCOMPARE(book.kind(1, YIL), u"int"_qs);
    QCOMPARE(book.integer(1, YIL), 2024);

    // Amounts keep their full value: no narrowing to single precision.
    QCOMPARE(book.kind(1, GIRIS_TUTAR), u"float"_qs);
    QCOMPARE(book.number(1, GIRIS_TUTAR), 12345678.91);
    QCOMPARE(book.number(1, DUZ_ONC_AKTIF), 0.1);
    QCOMPARE(book.number(1, DUZ_SON_AKTIF), -98765432.12);
    QCOMPARE(book.number(1, AMORT_YUZ), 2.0);
    QCOMPARE(book.number(1, DEG_ART_FON), 2.5);
    QCOMPARE(book.number(1, AMORT_ORAN), 0.2);
    QCOMPARE(book.number(1, DUZ_KAT), 1.123456789);
    QCOMPARE(book.number(1, TOP_BIRIK), 1234.5);
    QCOMPARE(book.number(1, TOP_AKTIF), -0.1);

    // NULLs: no text, no date (not 30.12.1899), numbers 0; a padded quarter still converts.
    QCOMPARE(book.text(2, KOD), u"D-002"_qs);
    QCOMPARE(book.kind(2, ACIKLAMA), u"empty"_qs);
    QCOMPARE(book.kind(2, GIRIS_TAR), u"empty"_qs);
    QCOMPARE(book.integer(2, DONEM), 1);
    QCOMPARE(book.integer(2, YIL), 2024);
    for (int c : {AMORT_YUZ, GIRIS_TUTAR, AMROT_SURE, AMORT_BITIS, DUZ_ONC_AKTIF, TOP_BIRIK, TOP_AKTIF}) {
        QVERIFY2(book.kind(2, c) == u"int"_qs || book.kind(2, c) == u"float"_qs, qPrintable(expectedTitles[c]));
        QCOMPARE(book.number(2, c), 0.0);
    }
}

void AssetWorkbookTest::emptyResultGivesHeaderOnly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"empty.xlsx"_qs);
    writeAssetWorkbook(ResultSet(reportFields()), path);

    const WorkbookContents book = readWorkbook(path);
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QCOMPARE(book.rows.size(), 1);
    QCOMPARE(book.text(0, TOP_AKTIF), expectedTitles.last());
}

void AssetWorkbookTest::numbersDoNotFollowTheUserLocale()
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    QVERIFY2(std::setlocale(LC_ALL, "tr_TR.UTF-8"),
             "tr_TR.UTF-8 is missing: localedef -i tr_TR -f UTF-8 tr_TR.UTF-8");
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const bool turkishComma = std::string(probe) == "1,5";

    QTemporaryDir dir;
    const QString path = dir.filePath(u"tr.xlsx"_qs);
    QString failure;
    try {
        writeAssetWorkbook(*sampleRows(), path);
    } catch (const Error &e) {
        failure = e.message();
    }
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const bool stillTurkish = std::string(probe) == "1,5";
    std::setlocale(LC_ALL, saved.c_str());

    QVERIFY2(turkishComma, "the Turkish locale did not take effect");
    QVERIFY2(stillTurkish, "the writer changed the caller's locale");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const WorkbookContents book = readWorkbook(path);
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QCOMPARE(book.number(1, GIRIS_TUTAR), 12345678.91);
    QCOMPARE(book.number(1, DUZ_ONC_AKTIF), 0.1);
    QCOMPARE(book.number(1, TOP_BIRIK), 1234.5);
    QCOMPARE(book.text(1, GIRIS_TAR), u"2024-03-15T10:30:00"_qs);
}

void AssetWorkbookTest::failureKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("field missing") << u"field"_qs << u"Field 'TOPAKTIFDEGER' not found."_qs;
    QTest::newRow("quarter not whole") << u"quarter"_qs << u"'1.5' is not a valid integer value"_qs;
    QTest::newRow("name is a folder") << u"folder"_qs << u"Cannot write"_qs;
    QTest::newRow("folder missing") << u"nofolder"_qs << u"Cannot write"_qs;
}

void AssetWorkbookTest::failureKeepsPreviousFile()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QString path = dir.filePath(u"ABC_2024_Ozet.xlsx"_qs);
    std::unique_ptr<ResultSet> rows = sampleRows();
    if (fault == u"field"_qs) {
        rows = std::make_unique<ResultSet>(reportFields({u"TOPAKTIFDEGER"_qs}));
    } else if (fault == u"quarter"_qs) {
        QVariantList bad(21);
        bad[8] = u"1.5"_qs;
        appendRow(*rows, bad);
    } else if (fault == u"folder"_qs) {
        QVERIFY(QDir(dir.path()).mkdir(u"ABC_2024_Ozet.xlsx"_qs));
    } else if (fault == u"nofolder"_qs) {
        path = dir.filePath(u"gone/ABC_2024_Ozet.xlsx"_qs);
    }
    const bool hasPrevious = fault == u"field"_qs || fault == u"quarter"_qs;
    if (hasPrevious) {
        QFile previous(path);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("previous report");
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QString raised;
    try {
        writeAssetWorkbook(*rows, path);
    } catch (const Error &e) {
        raised = e.message();
    }
    QVERIFY2(raised.contains(message), qPrintable(raised));
    if (message.startsWith(u"Cannot write"_qs))
        QVERIFY2(raised.contains(QDir::toNativeSeparators(path)), qPrintable(raised));
    if (hasPrevious)
        QCOMPARE(fileContents(path), QByteArray("previous report"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

void AssetWorkbookTest::replacesAnExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ABC_2024_Detay.xlsx"_qs);
    {
        QFile previous(path);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("previous report");
    }
    writeAssetWorkbook(*sampleRows(), path);
    const WorkbookContents book = readWorkbook(path);
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QCOMPARE(book.rows.size(), 3);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"ABC_2024_Detay.xlsx"_qs});
}

QTEST_GUILESS_MAIN(AssetWorkbookTest)
#include "tst_AssetWorkbook.moc"
