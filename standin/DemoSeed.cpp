// The demo instance: a folder of SQLite files that the stand-in serves as a
// SQL Server instance holding company databases of the accounting package.
//
// Databases (file "<name>.sqlite" each):
//   VEZ_001_2024 .. VEZ_005_2024  company databases of fiscal year 2024, the
//                                 only five names matching 'VEZ_%_2024%'
//   VEZ_001_2023                  company database of fiscal year 2023
//   VEZ ARSIV 2022                company database of fiscal year 2022 (a blank
//                                 in its name)
//   VEZ_MASTER, VEZ_MASTERV8, VEZ_MASTERSB   the package's own databases
//   PERSONEL_TAKIP                an unrelated database
//
// A company database of fiscal year F holds DEMKART (fixed-asset cards),
// DEMHAR (one row per asset and year, for F-1 and F), SABITLER (settings) and
// MUHHAR (ledger lines). Depreciation is quarterly; 2024 quarters carry
// inflation adjustment coefficients, 2023 only the year-end one, older years
// none (the after-adjustment values are then 0).
//
// Known rows of VEZ_001_2024 that tests rely on (see DEMO-DATA.md for every
// value):
//   DMB-0001 "Soğuk hava deposu soğutma ünitesi", entry 2022-06-15, amount
//            12345678.91, rate 10, rows for 2023 and 2024.
//   DMB-0002 entered 2024-12-16: its 2024 fourth quarter has after-adjustment
//            value 0, so the report falls back to the before-adjustment value.
//   DMB-0003 left the company (DMKCIKISFLAG 1).
//   DMB-0004 passenger car, its 2024 row has DMHKKEGFLAG 1.
//   DMB-0005 NULLs: DMKAMORTBITIS, DMHDEGARTFON1..4 and DMHAYRILAN4 of 2024.
//   DMB-0006 amount 38417296.5842175 (15 significant digits).
//   DMB-0007 description with every Turkish letter, fully depreciated in 2024.
//   DMB-0008 two identical 2024 rows (a UNION of the report drops one).
//   DMB-0009 land: a card without DEMHAR rows.
// Generated assets follow from DMB-0101 on. Everything comes from a fixed-seed
// generator: the same call writes the same data.

#include "DemoSeed.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace yorsabat::standin {

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- helpers

class SeedError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// SplitMix64: tiny, fast and the same on every platform.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    std::int64_t between(std::int64_t lo, std::int64_t hi)
    {
        return lo + std::int64_t(next() % std::uint64_t(hi - lo + 1));
    }
    bool chance(int percent) { return between(1, 100) <= percent; }

private:
    std::uint64_t m_state;
};

// Fixed-point numbers are held as integers scaled by 10^decimals; amounts are
// kuruş (2 decimals), rates and coefficients millionths (6 decimals).
constexpr std::int64_t million = 1000000;

std::int64_t scaleRounded(std::int64_t value, std::int64_t factorE6)
{
    const std::int64_t product = value * factorE6;
    return (product >= 0 ? product + million / 2 : product - million / 2) / million;
}

constexpr std::int64_t powerOfTen(int exponent)
{
    std::int64_t value = 1;
    for (int i = 0; i < exponent; ++i)
        value *= 10;
    return value;
}

struct Date
{
    int year = 2024, month = 1, day = 1;
    int quarter() const { return (month - 1) / 3 + 1; }
    bool lastMonthOfQuarter() const { return month % 3 == 0; }
    std::string datetimeText() const
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d 00:00:00.000", year, month, day);
        return buffer;
    }
};

Date quarterEnd(int year, int quarter)
{
    static constexpr int lastDay[] = {31, 30, 30, 31};
    return Date{year, quarter * 3, lastDay[quarter - 1]};
}

fs::path pathFromUtf8(const std::string &text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string utf8FromPath(const fs::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// ---------------------------------------------------------------- SQLite

class Statement
{
public:
    Statement(sqlite3 *db, const std::string &sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &m_stmt, nullptr) != SQLITE_OK)
            throw SeedError(std::string("cannot prepare \"") + sql + "\": " + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &text(const std::string &value)
    {
        check(sqlite3_bind_text(m_stmt, ++m_index, value.data(), int(value.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement &text(const std::optional<std::string> &value)
    {
        return value ? text(*value) : null();
    }
    // A decimal(p,s) value given as value / 10^decimals, stored the way SQLite
    // stores such a literal: INTEGER when whole, else REAL. Both operands of the
    // division are exact, so the quotient is the double nearest the decimal.
    Statement &decimal(std::int64_t value, int decimals)
    {
        const std::int64_t scale = powerOfTen(decimals);
        if (value % scale == 0)
            return integer(value / scale);
        check(sqlite3_bind_double(m_stmt, ++m_index, double(value) / double(scale)));
        return *this;
    }
    Statement &amount(std::int64_t kurus) { return decimal(kurus, 2); }
    Statement &millionths(std::int64_t value) { return decimal(value, 6); }
    Statement &integer(std::int64_t value)
    {
        check(sqlite3_bind_int64(m_stmt, ++m_index, value));
        return *this;
    }
    Statement &integer(const std::optional<std::int64_t> &value)
    {
        return value ? integer(*value) : null();
    }
    Statement &null()
    {
        check(sqlite3_bind_null(m_stmt, ++m_index));
        return *this;
    }
    void run()
    {
        if (sqlite3_step(m_stmt) != SQLITE_DONE)
            throw SeedError(std::string("cannot insert a row: ") + sqlite3_errmsg(m_db));
        sqlite3_reset(m_stmt);
        m_index = 0;
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            throw SeedError(std::string("cannot bind a value: ") + sqlite3_errmsg(m_db));
    }

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    int m_index = 0;
};

class Database
{
public:
    explicit Database(const fs::path &file)
    {
        const std::string name = utf8FromPath(file);
        if (sqlite3_open_v2(name.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
            sqlite3_close(m_db);
            throw SeedError("cannot create " + name + ": " + message);
        }
        // A fresh file under a temporary name: no rollback journal needed, one
        // sync at the commit so the renamed file is complete on disk.
        exec("PRAGMA journal_mode=OFF");
        exec("PRAGMA synchronous=NORMAL");
        exec("BEGIN");
    }
    ~Database() { sqlite3_close(m_db); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void exec(const std::string &sql)
    {
        char *message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : sqlite3_errmsg(m_db);
            sqlite3_free(message);
            throw SeedError("\"" + sql.substr(0, 60) + "\" failed: " + text);
        }
    }
    void commit() { exec("COMMIT"); }
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

// ---------------------------------------------------------------- depreciation model

// Inflation adjustment coefficient of a year's quarter, in millionths; 0: the
// quarter was not adjusted.
std::int64_t adjustmentCoefficient(int year, int quarter, int entryYear)
{
    // 2023 ended with a one-off adjustment from the entry year's index.
    static const std::map<int, std::int64_t> toEndOf2023 = {
        {2014, 9712408}, {2015, 8941270}, {2016, 8012644}, {2017, 6874112}, {2018, 5212385},
        {2019, 4506119}, {2020, 3901744}, {2021, 2955310}, {2022, 1612903}, {2023, 1180552}};
    static constexpr std::int64_t quarters2024[] = {1146328, 1094157, 1062433, 1045871};
    if (year == 2023 && quarter == 4) {
        const auto found = toEndOf2023.find(entryYear);
        return found == toEndOf2023.end() ? 0 : found->second;
    }
    if (year == 2024)
        return quarters2024[quarter - 1];
    return 0;
}

struct QuarterValues
{
    std::int64_t oncAktif = 0, sonAktif = 0, aktifFark = 0, degArtFon = 0;
    std::int64_t oncBirik = 0, sonBirik = 0, birikFark = 0, ayrilan = 0;
    std::int64_t amortOranE6 = 0, katsayiE6 = 0;
};

struct DemharRow
{
    std::string code;
    int year = 0;
    int kkeg = 0;
    std::array<QuarterValues, 4> quarter;
    bool nullDegArtFon = false; // DMHDEGARTFON1..4 left NULL
    bool nullAyrilan4 = false;  // DMHAYRILAN4 left NULL
};

struct Asset
{
    std::string code;
    std::optional<std::string> description;
    std::int64_t rateE6 = 0;      // yearly depreciation percentage
    Date entry;
    std::int64_t amount = 0;      // entry amount as written on the card: amount / 10^amountDecimals
    int amountDecimals = 2;
    std::int64_t costKurus = 0;   // the same, in kuruş, for the depreciation rows
    int life = 0;                 // years
    std::optional<std::int64_t> end; // last year of depreciation
    int left = 0;                 // DMKCIKISFLAG
    int kkeg = 0;                 // DMHKKEGFLAG of its rows
};

// The DEMHAR rows of an asset for the years first..last (only those from its
// entry year on), quarter by quarter: adjust, then depreciate the adjusted value.
std::vector<DemharRow> depreciationRows(const Asset &asset, int first, int last)
{
    std::vector<DemharRow> rows;
    std::int64_t aktif = asset.costKurus;
    std::int64_t birik = 0;
    if (asset.entry.year < first) {
        const std::int64_t yearly = scaleRounded(asset.costKurus, asset.rateE6 / 100);
        birik = std::min(asset.costKurus, yearly * (first - asset.entry.year));
    }
    for (int year = std::max(first, asset.entry.year); year <= last; ++year) {
        DemharRow row;
        row.code = asset.code;
        row.year = year;
        row.kkeg = asset.kkeg;
        for (int q = 1; q <= 4; ++q) {
            if (year == asset.entry.year && q < asset.entry.quarter())
                continue; // not on the books yet
            QuarterValues &v = row.quarter[std::size_t(q - 1)];
            v.oncAktif = aktif;
            v.oncBirik = birik;
            v.katsayiE6 = adjustmentCoefficient(year, q, asset.entry.year);
            if (year == asset.entry.year && q == asset.entry.quarter() && asset.entry.lastMonthOfQuarter())
                v.katsayiE6 = 0; // bought in the quarter's last month: adjusted from the next one
            std::int64_t baseAktif = aktif, baseBirik = birik;
            if (v.katsayiE6 != 0) {
                v.sonAktif = scaleRounded(aktif, v.katsayiE6);
                v.sonBirik = scaleRounded(birik, v.katsayiE6);
                v.aktifFark = v.sonAktif - v.oncAktif;
                v.birikFark = v.sonBirik - v.oncBirik;
                v.degArtFon = v.aktifFark - v.birikFark;
                baseAktif = v.sonAktif;
                baseBirik = v.sonBirik;
            }
            v.amortOranE6 = asset.rateE6 / 4;
            v.ayrilan = std::max<std::int64_t>(
                0, std::min(baseAktif - baseBirik, scaleRounded(baseAktif, v.amortOranE6 / 100)));
            aktif = baseAktif;
            birik = baseBirik + v.ayrilan;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// ---------------------------------------------------------------- company data

struct AssetKind
{
    const char *name;
    int life;
    std::int64_t rateE6;
    std::int64_t minTl, maxTl;
    bool passengerCar;
};

const AssetKind assetKinds[] = {
    {"Dizüstü bilgisayar", 4, 25000000, 18000, 65000, false},
    {"Masaüstü bilgisayar", 4, 25000000, 15000, 48000, false},
    {"Sunucu", 5, 20000000, 120000, 650000, false},
    {"Lazer yazıcı", 5, 20000000, 6500, 32000, false},
    {"Çalışma masası", 5, 20000000, 4500, 21000, false},
    {"Ofis koltuğu", 5, 20000000, 2800, 14500, false},
    {"Split klima", 5, 20000000, 19000, 56000, false},
    {"Akülü forklift", 8, 12500000, 420000, 1250000, false},
    {"Binek otomobil", 5, 20000000, 650000, 2400000, true},
    {"Kamyonet", 4, 25000000, 780000, 1650000, false},
    {"Dizel jeneratör", 10, 10000000, 240000, 980000, false},
    {"Vidalı kompresör", 10, 10000000, 85000, 410000, false},
    {"CNC torna tezgâhı", 10, 10000000, 1800000, 7400000, false},
    {"Güvenlik kamerası sistemi", 5, 20000000, 24000, 145000, false},
    {"Fotokopi makinesi", 5, 20000000, 38000, 160000, false},
    {"Çelik raf sistemi", 10, 10000000, 26000, 210000, false},
    {"Soğuk hava deposu", 15, 6660000, 950000, 4200000, false},
    {"İdari bina tadilatı", 50, 2000000, 1500000, 9800000, false},
    {"Muhasebe yazılımı lisansı", 3, 33330000, 42000, 260000, false},
    {"Güneş enerjisi paneli", 10, 10000000, 380000, 2600000, false},
    {"Paketleme makinesi", 10, 10000000, 540000, 3100000, false},
    {"IP telefon santrali", 5, 20000000, 32000, 118000, false},
    {"Ölçü ve kalibrasyon cihazı", 5, 20000000, 14000, 96000, false},
    {"Çay ocağı ekipmanı", 5, 20000000, 7500, 36000, false},
};

const char *const locations[] = {
    "Merkez", "İstanbul Şube", "Ankara Depo", "İzmir Şube", "Üretim Hattı 2", "Muhasebe Bölümü",
    "Satış Ofisi", "Gebze Fabrika", "Çorlu Depo", "Bursa Bölge Müdürlüğü", "Ar-Ge Laboratuvarı",
};

struct Company
{
    std::string database;
    int code = 1;            // 001, 002 ...
    int fiscalYear = 2024;
    std::string title;
    int generatedAssets = 0; // default size
};

Asset generatedAsset(Random &random, int number, int fiscalYear)
{
    const AssetKind &kind = assetKinds[random.between(0, std::size(assetKinds) - 1)];
    Asset asset;
    char code[32];
    std::snprintf(code, sizeof code, "DMB-%04d", number);
    asset.code = code;
    asset.description = std::string(kind.name) + " (" + locations[random.between(0, std::size(locations) - 1)] + ")";
    asset.rateE6 = kind.rateE6;
    asset.life = kind.life;
    // More recent purchases than old ones.
    const int age = int(std::min(random.between(0, 9), random.between(0, 9)));
    asset.entry = Date{std::max(2014, fiscalYear - age), int(random.between(1, 12)), int(random.between(1, 28))};
    std::int64_t kurus = random.between(kind.minTl, kind.maxTl) * 100;
    if (random.chance(30))
        kurus += random.between(1, 99); // an invoice with kuruş
    else
        kurus -= kurus % 10000; // a round figure
    asset.costKurus = kurus;
    asset.amount = kurus;
    if (!random.chance(4))
        asset.end = asset.entry.year + kind.life - 1;
    asset.left = random.chance(6) ? 1 : 0;
    // Depreciation of passenger cars dearer than the legal limit is not deductible.
    asset.kkeg = kind.passengerCar && kurus > 79000000 ? 1 : 0;
    return asset;
}

Asset knownAsset(const char *code, const char *description, Date entry, std::int64_t costKurus,
                 std::int64_t rateE6, int life)
{
    Asset asset;
    asset.code = code;
    asset.description = description;
    asset.entry = entry;
    asset.costKurus = costKurus;
    asset.amount = costKurus;
    asset.rateE6 = rateE6;
    asset.life = life;
    if (life > 0)
        asset.end = entry.year + life - 1;
    return asset;
}

// The documented assets of VEZ_001_2024 and their rows.
void knownAssets(std::vector<Asset> &assets, std::vector<DemharRow> &rows)
{
    auto add = [&](Asset asset, std::vector<DemharRow> assetRows) {
        assets.push_back(std::move(asset));
        rows.insert(rows.end(), assetRows.begin(), assetRows.end());
    };

    Asset a1 = knownAsset("DMB-0001", "Soğuk hava deposu soğutma ünitesi", {2022, 6, 15}, 1234567891, 10000000, 10);
    add(a1, depreciationRows(a1, 2023, 2024));

    Asset a2 = knownAsset("DMB-0002", "Endüstriyel bulaşık makinesi (Merkez)", {2024, 12, 16}, 84500000, 20000000, 5);
    add(a2, depreciationRows(a2, 2023, 2024));

    Asset a3 = knownAsset("DMB-0003", "Kamyonet (satıldı)", {2019, 4, 2}, 38500000, 25000000, 4);
    a3.left = 1;
    add(a3, depreciationRows(a3, 2023, 2024));

    Asset a4 = knownAsset("DMB-0004", "Binek otomobil (Genel Müdürlük)", {2023, 2, 20}, 145000000, 20000000, 5);
    std::vector<DemharRow> r4 = depreciationRows(a4, 2023, 2024);
    r4.back().kkeg = 1;
    add(a4, r4);

    Asset a5 = knownAsset("DMB-0005", "Yangın algılama sistemi", {2021, 9, 1}, 9600000, 10000000, 10);
    a5.end.reset();
    std::vector<DemharRow> r5 = depreciationRows(a5, 2023, 2024);
    r5.back().nullDegArtFon = true;
    r5.back().nullAyrilan4 = true;
    add(a5, r5);

    // Bought in euros: the card keeps the converted amount with all its digits.
    Asset a6 = knownAsset("DMB-0006", "İthal CNC işleme merkezi (EUR)", {2024, 3, 5}, 3841729658, 10000000, 10);
    a6.amount = 384172965842175;
    a6.amountDecimals = 7;
    add(a6, depreciationRows(a6, 2023, 2024));

    Asset a7 = knownAsset("DMB-0007", "İŞ GÜVENLİĞİ ÖLÇÜM ÇANTASI - ağır hizmet, çift sürgülü, ışıklı göstergeli",
                          {2020, 11, 11}, 1875000, 20000000, 5);
    add(a7, depreciationRows(a7, 2023, 2024));

    // Entered twice by mistake.
    Asset a8 = knownAsset("DMB-0008", "Çelik raf sistemi (Ankara Depo)", {2018, 5, 20}, 6400000, 10000000, 10);
    std::vector<DemharRow> r8 = depreciationRows(a8, 2023, 2024);
    r8.push_back(r8.back());
    add(a8, r8);

    // Land is not depreciated.
    Asset a9 = knownAsset("DMB-0009", "Arsa - Gebze OSB", {2016, 8, 30}, 275000000, 0, 0);
    a9.end = 0;
    add(a9, {});
}

constexpr long knownDemharRows = 15;

// ---------------------------------------------------------------- table writers

const char *const demharKinds[] = {"DMHDUZONCAKTIF", "DMHDUZSONAKTIF", "DMHAKTIFFARK", "DMHDEGARTFON", "DMHDUZONCBIRIK",
                                   "DMHDUZSONBIRIK", "DMHBIRIKFARK",   "DMHAYRILAN",   "DMHAMORTORAN", "DMHDUZKATSAYI"};

void createCompanyTables(Database &db)
{
    db.exec("CREATE TABLE DEMKART (DMKKOD varchar(40) NOT NULL, DMKCINSI varchar(80), DMKAMORTYUZDE decimal(28,9), "
            "DMKGIRTARIH datetime, DMKGIRTUTAR decimal(28,9), DMKAMORTSURE int, DMKAMORTBITIS int, DMKCIKISFLAG tinyint)");
    db.exec("CREATE UNIQUE INDEX DEMKART_KOD ON DEMKART (DMKKOD)");
    std::string demhar = "CREATE TABLE DEMHAR (DMHDEMKOD varchar(40) NOT NULL, DMHYIL int, DMHKKEGFLAG tinyint";
    for (const char *kind : demharKinds)
        for (int q = 1; q <= 4; ++q)
            demhar += std::string(", ") + kind + std::to_string(q) + " decimal(28,9)";
    db.exec(demhar + ")");
    db.exec("CREATE INDEX DEMHAR_DEMKOD ON DEMHAR (DMHDEMKOD, DMHYIL)");
    db.exec("CREATE TABLE SABITLER (SABITMODUL smallint NOT NULL, SABITKONU smallint NOT NULL, "
            "SABITDEGER nvarchar(250), SABITACIKLAMA nvarchar(100))");
    db.exec("CREATE TABLE MUHHAR (MUHHARSIRANO int NOT NULL, MUHHARREFNO varchar(20), MUHHAREVRAKTAR datetime, "
            "MUHHAREVRAKNO varchar(20), MUHHARMUHKOD varchar(40), MUHHARACIKLAMA nvarchar(200), MUHHARBATIPI tinyint, "
            "MUHHARBELTUR varchar(10), MUHHARTUTAR decimal(28,9))");
}

class CardWriter
{
public:
    explicit CardWriter(Database &db) : m_insert(db.handle(), "INSERT INTO DEMKART VALUES (?,?,?,?,?,?,?,?)") {}

    void write(const Asset &a)
    {
        m_insert.text(a.code).text(a.description).millionths(a.rateE6).text(a.entry.datetimeText())
            .decimal(a.amount, a.amountDecimals)
            .integer(std::int64_t(a.life)).integer(a.end).integer(std::int64_t(a.left));
        m_insert.run();
    }

private:
    Statement m_insert;
};

class DemharWriter
{
public:
    explicit DemharWriter(Database &db) : m_insert(db.handle(), insertSql()) {}

    void write(const DemharRow &row)
    {
        m_insert.text(row.code).integer(std::int64_t(row.year)).integer(std::int64_t(row.kkeg));
        for (std::size_t kind = 0; kind < std::size(demharKinds); ++kind) {
            for (std::size_t q = 0; q < 4; ++q) {
                const QuarterValues &v = row.quarter[q];
                if ((kind == 3 && row.nullDegArtFon) || (kind == 7 && q == 3 && row.nullAyrilan4)) {
                    m_insert.null();
                    continue;
                }
                switch (kind) {
                case 0: m_insert.amount(v.oncAktif); break;
                case 1: m_insert.amount(v.sonAktif); break;
                case 2: m_insert.amount(v.aktifFark); break;
                case 3: m_insert.amount(v.degArtFon); break;
                case 4: m_insert.amount(v.oncBirik); break;
                case 5: m_insert.amount(v.sonBirik); break;
                case 6: m_insert.amount(v.birikFark); break;
                case 7: m_insert.amount(v.ayrilan); break;
                case 8: m_insert.millionths(v.amortOranE6); break;
                default: m_insert.millionths(v.katsayiE6); break;
                }
            }
        }
        m_insert.run();
    }

private:
    static std::string insertSql()
    {
        std::string sql = "INSERT INTO DEMHAR VALUES (?,?,?";
        for (std::size_t i = 0; i < std::size(demharKinds) * 4; ++i)
            sql += ",?";
        return sql + ")";
    }

    Statement m_insert;
};

void insertSettings(Database &db, const Company &company)
{
    struct Setting
    {
        int module, subject;
        std::optional<std::string> value;
        const char *description;
    };
    char user[32];
    std::snprintf(user, sizeof user, "%03d", company.code);
    // The numeric codes 4, 5, 7 and 105, 120 tell a numeric comparison from a textual one.
    const Setting settings[] = {
        {1, 1, company.title, "Firma unvanı"},
        {1, 2, std::string("Kadıköy V.D. / 47") + user + "12905", "Vergi dairesi / vergi numarası"},
        {1, 3, std::to_string(company.fiscalYear), "Çalışma yılı"},
        {22, 4, "E", "EDefter kullanılıyor"},
        {22, 5, "AYLIK", "EDefter berat dönemi"},
        {22, 38, std::string("vezedefter") + user, "EDefter kullanıcı adı"},
        {22, 39, "Şifre.2024!", "EDefter şifre"},
        {22, 40, "C:\\EDefter\\Berat", "EDefter berat klasörü"},
        {22, 41, std::nullopt, "EDefter yedek klasörü"},
        {22, 105, std::to_string(company.fiscalYear) + "/12", "EDefter son gönderilen dönem"},
        {25, 7, "E", "EFatura kullanılıyor"},
        {25, 12, "TEMEL", "EFatura senaryosu"},
        {25, 40, std::string("vezefatura") + user, "EFatura kullanıcı adı"},
        {25, 41, "Ğüş.Fatura#7", "EFatura şifre"},
        {25, 42, "https://efatura.example.com.tr/ws", "EFatura servis adresi"},
        {25, 120, "urn:mail:defaultgb@ornek.com.tr", "EFatura gönderici birim etiketi"},
    };
    Statement insert(db.handle(), "INSERT INTO SABITLER VALUES (?,?,?,?)");
    for (const Setting &s : settings) {
        insert.integer(std::int64_t(s.module)).integer(std::int64_t(s.subject)).text(s.value).text(std::string(s.description));
        insert.run();
    }
}

class LedgerWriter
{
public:
    explicit LedgerWriter(Database &db) : m_insert(db.handle(), "INSERT INTO MUHHAR VALUES (?,?,?,?,?,?,?,?,?)") {}

    void line(const std::string &refNo, const Date &date, const std::string &voucher, const char *account,
              const std::string &text, int side, const char *kind, std::int64_t kurus)
    {
        m_insert.integer(std::int64_t(++m_lineNo)).text(refNo).text(date.datetimeText()).text(voucher)
            .text(std::string(account)).text(text).integer(std::int64_t(side)).text(std::string(kind)).amount(kurus);
        m_insert.run();
    }

private:
    Statement m_insert;
    int m_lineNo = 0;
};

struct LedgerTotals
{
    std::int64_t cost = 0;
    std::array<std::int64_t, 4> depreciation{}, assetDiff{}, accumulatedDiff{};

    void add(const DemharRow &row, int fiscalYear)
    {
        if (row.year != fiscalYear)
            return;
        for (std::size_t q = 0; q < 4; ++q) {
            if (!(q == 3 && row.nullAyrilan4))
                depreciation[q] += row.quarter[q].ayrilan;
            assetDiff[q] += row.quarter[q].aktifFark;
            accumulatedDiff[q] += row.quarter[q].birikFark;
        }
    }
};

constexpr int debit = 1;
constexpr int credit = 2;

// Ledger lines: the opening voucher (reference: the previous year), the
// quarterly depreciation and adjustment vouchers (reference: the year) and
// sales invoices (reference: the invoice number).
void insertLedger(Database &db, const Company &company, const LedgerTotals &totals, Random &random, bool duplicateLine)
{
    const int year = company.fiscalYear;
    const std::string yearRef = std::to_string(year);
    LedgerWriter ledger(db);
    const std::int64_t cost = totals.cost;
    const auto &depreciation = totals.depreciation;
    const auto &assetDiff = totals.assetDiff;
    const auto &accumulatedDiff = totals.accumulatedDiff;

    const Date opening{year, 1, 1};
    const std::string openingNo = "ACL-" + yearRef + "-1";
    ledger.line(std::to_string(year - 1), opening, openingNo, "255.01.001", "Açılış fişi - demirbaşlar", debit, "ACL", cost);
    ledger.line(std::to_string(year - 1), opening, openingNo, "500.01.001", "Açılış fişi - sermaye", credit, "ACL", cost);

    for (int q = 1; q <= 4; ++q) {
        const std::size_t i = std::size_t(q - 1);
        const Date date = quarterEnd(year, q);
        const std::string quarter = std::to_string(q) + ". dönem";
        if (assetDiff[i] != 0 || accumulatedDiff[i] != 0) {
            const std::string no = "ENF-" + yearRef + "-" + std::to_string(q);
            ledger.line(yearRef, date, no, "255.01.001", quarter + " enflasyon düzeltmesi - demirbaşlar", debit, "ENF", assetDiff[i]);
            ledger.line(yearRef, date, no, "698.01.001", quarter + " enflasyon düzeltmesi - demirbaşlar", credit, "ENF", assetDiff[i]);
            ledger.line(yearRef, date, no, "698.01.001", quarter + " enflasyon düzeltmesi - birikmiş amortismanlar", debit, "ENF", accumulatedDiff[i]);
            ledger.line(yearRef, date, no, "257.01.001", quarter + " enflasyon düzeltmesi - birikmiş amortismanlar", credit, "ENF", accumulatedDiff[i]);
        }
        const std::string no = "AMR-" + yearRef + "-" + std::to_string(q);
        ledger.line(yearRef, date, no, "770.01.001", quarter + " amortisman gideri", debit, "AMR", depreciation[i]);
        if (duplicateLine && q == 4) // keyed in twice by mistake
            ledger.line(yearRef, date, no, "770.01.001", quarter + " amortisman gideri", debit, "AMR", depreciation[i]);
        ledger.line(yearRef, date, no, "257.01.001", quarter + " birikmiş amortisman", credit, "AMR", depreciation[i]);
    }

    static const char *const customers[] = {"Şahin Gıda Ltd. Şti.", "Öztürk Yapı A.Ş.", "Çınar Market", "Güneydoğu Ticaret A.Ş.",
                                            "İlkay Kırtasiye", "Doğuş Ambalaj Ltd. Şti."};
    for (int n = 1; n <= 12; ++n) {
        char no[32];
        std::snprintf(no, sizeof no, "FT%04d%06d", year, n * 7 + company.code);
        const Date date{year, n, int(random.between(1, 28))};
        const std::int64_t net = random.between(250000, 48000000);
        const std::int64_t vat = net / 5; // 20 %
        const std::string customer = customers[random.between(0, std::size(customers) - 1)];
        ledger.line(no, date, no, "120.01.001", "Satış faturası - " + customer, debit, "FAT", net + vat);
        ledger.line(no, date, no, "600.01.001", "Yurt içi satışlar - " + customer, credit, "FAT", net);
        ledger.line(no, date, no, "391.01.001", "Hesaplanan KDV %20", credit, "FAT", vat);
    }
}

void writeCompany(Database &db, const Company &company, long demharRows)
{
    createCompanyTables(db);
    Random random(0x5EED0000u + std::uint64_t(company.code) * 7919u + std::uint64_t(company.fiscalYear));

    std::vector<Asset> assets;
    std::vector<DemharRow> rows;
    const bool withKnown = company.database == "VEZ_001_2024";
    if (withKnown)
        knownAssets(assets, rows);

    CardWriter cards(db);
    DemharWriter demhar(db);
    for (const Asset &asset : assets)
        cards.write(asset);
    for (const DemharRow &row : rows)
        demhar.write(row);

    // Only the sums of the fiscal year's rows are kept for the ledger, so that
    // a large size stays flat in memory.
    LedgerTotals totals;
    for (const Asset &asset : assets)
        totals.cost += asset.costKurus;
    for (const DemharRow &row : rows)
        totals.add(row, company.fiscalYear);

    const long target = demharRows > 0 ? demharRows : -1;
    long written = long(rows.size());
    for (int n = 0; target < 0 ? n < company.generatedAssets : written < target; ++n) {
        const Asset asset = generatedAsset(random, 101 + n, company.fiscalYear);
        std::vector<DemharRow> assetRows = depreciationRows(asset, company.fiscalYear - 1, company.fiscalYear);
        if (target >= 0 && written + long(assetRows.size()) > target) // only its latest years that fit
            assetRows = depreciationRows(asset, company.fiscalYear - int(target - written) + 1, company.fiscalYear);
        cards.write(asset);
        totals.cost += asset.costKurus;
        for (const DemharRow &row : assetRows) {
            demhar.write(row);
            totals.add(row, company.fiscalYear);
        }
        written += long(assetRows.size());
    }

    insertSettings(db, company);
    insertLedger(db, company, totals, random, withKnown);
}

// ---------------------------------------------------------------- other databases

void writeMaster(Database &db, const std::vector<Company> &companies)
{
    db.exec("CREATE TABLE FIRMALAR (FIRMAKOD varchar(10) NOT NULL, FIRMAUNVAN nvarchar(100), DONEM int, "
            "VERITABANI varchar(128), AKTIF bit)");
    Statement insert(db.handle(), "INSERT INTO FIRMALAR VALUES (?,?,?,?,?)");
    for (const Company &c : companies) {
        char code[8];
        std::snprintf(code, sizeof code, "%03d", c.code);
        insert.text(std::string(code)).text(c.title).integer(std::int64_t(c.fiscalYear)).text(c.database)
            .integer(std::int64_t(c.fiscalYear == 2024 ? 1 : 0));
        insert.run();
    }
}

void writeUsers(Database &db)
{
    db.exec("CREATE TABLE KULLANICILAR (KULLANICIKOD varchar(20) NOT NULL, ADSOYAD nvarchar(80), YETKI tinyint, "
            "SONGIRIS datetime)");
    db.exec("INSERT INTO KULLANICILAR VALUES ('ADMIN','Sistem Yöneticisi',9,'2024-12-30 17:45:12.000'),"
            "('MUHASEBE1','Ayşe Çelik',5,'2024-12-27 09:02:41.000'),('MUHASEBE2','Oğuz Şimşek',5,NULL),"
            "('DENETIM','İç Denetim Birimi',1,'2024-11-04 14:20:00.000')");
}

void writeBranches(Database &db)
{
    db.exec("CREATE TABLE SUBELER (SUBEKOD smallint NOT NULL, SUBEADI nvarchar(60), IL nvarchar(30))");
    db.exec("INSERT INTO SUBELER VALUES (1,'Merkez','İstanbul'),(2,'Ankara Depo','Ankara'),"
            "(3,'İzmir Şube','İzmir'),(4,'Gebze Fabrika','Kocaeli'),(5,'Çorlu Depo','Tekirdağ')");
}

void writePersonnel(Database &db)
{
    db.exec("CREATE TABLE PERSONEL (SICILNO int NOT NULL, ADSOYAD nvarchar(80), BOLUM nvarchar(40), "
            "GIRISTARIHI date, MAAS decimal(18,2), AKTIF bit)");
    db.exec("INSERT INTO PERSONEL VALUES (1001,'Gülşen Yıldız','Muhasebe','2015-03-02',48250.5,1),"
            "(1002,'Çağrı Öztürk','Depo','2019-07-15',31500,1),(1003,'İsmail Doğan','Satış','2021-01-11',39750.25,0),"
            "(1004,'Şule Ünal','İnsan Kaynakları','2023-09-04',NULL,1)");
}

// ---------------------------------------------------------------- files

// Builds one database under a temporary name and renames it into place, so a
// failure never leaves a half-written database behind.
template <typename Fill>
void writeDatabaseFile(const fs::path &dir, const std::string &name, Fill fill)
{
    const fs::path target = dir / pathFromUtf8(name + ".sqlite");
    const fs::path temporary = dir / pathFromUtf8(name + ".sqlite.part");
    std::error_code ec;
    fs::remove(temporary, ec);
    try {
        {
            Database db(temporary);
            fill(db);
            db.commit();
        }
        // A journal left by an earlier file of this name would be replayed into the new one.
        for (const char *suffix : {".sqlite-journal", ".sqlite-wal", ".sqlite-shm"})
            fs::remove(dir / pathFromUtf8(name + suffix), ec);
        fs::rename(temporary, target);
    } catch (const fs::filesystem_error &error) {
        fs::remove(temporary, ec);
        throw SeedError("database " + name + ": " + error.what());
    } catch (const SeedError &error) {
        fs::remove(temporary, ec);
        throw SeedError("database " + name + ": " + error.what());
    }
}

std::vector<Company> companies()
{
    return {
        {"VEZ_001_2024", 1, 2024, "Anadolu Gıda Sanayi ve Ticaret A.Ş.", 40},
        {"VEZ_002_2024", 2, 2024, "Ege Tekstil Konfeksiyon Ltd. Şti.", 33},
        {"VEZ_003_2024", 3, 2024, "Karadeniz İnşaat Taahhüt A.Ş.", 36},
        {"VEZ_004_2024", 4, 2024, "Çukurova Tarım Ürünleri Ltd. Şti.", 27},
        {"VEZ_005_2024", 5, 2024, "Boğaziçi Lojistik Hizmetleri A.Ş.", 45},
        {"VEZ_001_2023", 1, 2023, "Anadolu Gıda Sanayi ve Ticaret A.Ş.", 30},
        {"VEZ ARSIV 2022", 1, 2022, "Anadolu Gıda Sanayi ve Ticaret A.Ş.", 24},
    };
}

} // namespace

std::string writeDemoInstance(const std::string &dataDir, long demharRows)
{
    if (dataDir.empty())
        return "no data folder given for the demo instance";
    if (demharRows < 0)
        return "the number of DEMHAR rows must not be negative";
    if (demharRows > 0 && demharRows < knownDemharRows)
        return "the demo needs at least " + std::to_string(knownDemharRows) + " DEMHAR rows";
    try {
        const fs::path dir = pathFromUtf8(dataDir);
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (!fs::is_directory(dir))
            return "cannot create the data folder " + dataDir + (ec ? ": " + ec.message() : std::string());

        const std::vector<Company> all = companies();
        for (const Company &company : all) {
            const long rows = company.database == "VEZ_001_2024" ? demharRows : 0;
            writeDatabaseFile(dir, company.database, [&](Database &db) { writeCompany(db, company, rows); });
        }
        writeDatabaseFile(dir, "VEZ_MASTER", [&](Database &db) { writeMaster(db, all); });
        writeDatabaseFile(dir, "VEZ_MASTERV8", [&](Database &db) { writeUsers(db); });
        writeDatabaseFile(dir, "VEZ_MASTERSB", [&](Database &db) { writeBranches(db); });
        writeDatabaseFile(dir, "PERSONEL_TAKIP", [&](Database &db) { writePersonnel(db); });
        return {};
    } catch (const std::exception &error) {
        return error.what();
    }
}

} // namespace yorsabat::standin
