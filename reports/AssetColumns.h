#pragma once

#include <QStringView>

#include <array>

// The 21 columns of the fixed-asset reports: how the workbook lays them out
// and how the asset view shows them. Both find the fields by name.
namespace yorsabat::reports {

enum class CellKind {
    Text,        // written as text; NULL leaves the cell empty
    Date,        // a date cell (dd.mm.yyyy); NULL leaves the cell empty
    Integer,     // a whole number; NULL gives 0
    IntegerText, // a text holding a whole number (the quarter); NULL gives 0
    Amount,      // a double-precision number; NULL gives 0
};

struct SheetColumn
{
    QStringView title; // row 1
    QStringView field;
    CellKind kind;
};

// Workbook column order: the quarter before the year, unlike the query.
inline constexpr std::array<SheetColumn, 21> sheetColumns{{
    {u"KOD", u"DMKKOD", CellKind::Text},
    {u"AÇIKLAMA", u"DMKCINSI", CellKind::Text},
    {u"AMORT YÜZ.", u"DMKAMORTYUZDE", CellKind::Amount},
    {u"GİRİŞ TAR.", u"DMKGIRTARIH", CellKind::Date},
    {u"GİRİŞ TUTAR", u"DMKGIRTUTAR", CellKind::Amount},
    {u"AMROT.SÜRE", u"DMKAMORTSURE", CellKind::Integer}, // sic: users' sheets match on it
    {u"AMORT.BİTİŞ", u"DMKAMORTBITIS", CellKind::Integer},
    {u"DÖNEM", u"DONEM", CellKind::IntegerText},
    {u"YIL", u"DMHYIL", CellKind::Integer},
    {u"DÜZ.ÖNC.AKTİF", u"DMHDUZONCAKTIF1", CellKind::Amount},
    {u"DÜZ.SON.AKTİF", u"DMHDUZSONAKTIF1", CellKind::Amount},
    {u"AKTİF FARK", u"DMHAKTIFFARK1", CellKind::Amount},
    {u"DEĞ.ART.FON", u"DMHDEGARTFON1", CellKind::Amount},
    {u"DÜZ.ÖNC.BİRİK.FARK", u"DMHDUZONCBIRIK1", CellKind::Amount},
    {u"DÜZ.SON.BİRİK.FARK", u"DMHDUZSONBIRIK1", CellKind::Amount},
    {u"BİRİKMİŞ FARK", u"DMHBIRIKFARK1", CellKind::Amount},
    {u"AYRILAN AMORT.", u"DMHAYRILAN1", CellKind::Amount},
    {u"AMORT.ORAN", u"DMHAMORTORAN1", CellKind::Amount},
    {u"DÜZ.KAT SAYISI", u"DMHDUZKATSAYI1", CellKind::Amount},
    {u"TOP.BİRİK.AMORT.", u"TOPBIRAMORT", CellKind::Amount},
    {u"TOP.AKTİF DEĞER", u"TOPAKTIFDEGER", CellKind::Amount},
}};

struct GridColumn
{
    QStringView field;
    QStringView caption; // empty: the header shows the field name
    int width;           // pixels; 0: the grid's default
    bool hidden;
};

// Asset view column order: the query's.
inline constexpr std::array<GridColumn, 21> gridColumns{{
    {u"DMKKOD", u"KOD", 196, false},
    {u"DMKCINSI", u"CİNSİ", 251, false},
    {u"DMKAMORTYUZDE", u"AMOR YÜZDE", 97, false},
    {u"DMKGIRTARIH", u"GİRİŞ TARİHİ", 0, false},
    {u"DMKGIRTUTAR", u"TUTAR", 83, false},
    {u"DMKAMORTSURE", u"AMORTSURE", 77, false},
    {u"DMKAMORTBITIS", u"AMORTBITIS", 82, false},
    {u"DMHYIL", u"YIL", 56, false},
    {u"DONEM", u"", 46, false},
    {u"DMHDUZONCAKTIF1", u"DUZ.ONC.AKTFF", 94, false},
    {u"DMHDUZSONAKTIF1", u"DÜZ.SON.AKTİF", 92, false},
    {u"DMHAKTIFFARK1", u"AKTIFFARK", 78, false},
    {u"DMHDEGARTFON1", u"DEG.ART.FON", 88, true},
    {u"DMHDUZONCBIRIK1", u"DUZ.ONC.BIRIK", 102, false},
    {u"DMHDUZSONBIRIK1", u"DUZ.SON.BIRIK", 92, false},
    {u"DMHBIRIKFARK1", u"BIRIK.FARK", 69, false},
    {u"DMHAYRILAN1", u"AYRILAN", 72, false},
    {u"DMHAMORTORAN1", u"AMORT.ORAN", 87, false},
    {u"DMHDUZKATSAYI1", u"DÜZ.KATSAYI", 84, false},
    {u"TOPBIRAMORT", u"", 97, false},
    {u"TOPAKTIFDEGER", u"", 95, false},
}};

} // namespace yorsabat::reports
