#pragma once

#include "server/ResultSet.h"

#include <QDateTime>
#include <QStringList>
#include <QVariant>

#include <memory>

// Report result sets built in memory, with the columns, names and kinds the
// report queries deliver, in the query's column order.
inline std::vector<yorsabat::server::FieldInfo> reportFields(const QStringList &leaveOut = {})
{
    using yorsabat::server::FieldType;
    const std::vector<std::pair<const char *, FieldType>> all{
        {"DMKKOD", FieldType::Text},          {"DMKCINSI", FieldType::Text},
        {"DMKAMORTYUZDE", FieldType::Decimal}, {"DMKGIRTARIH", FieldType::DateTime},
        {"DMKGIRTUTAR", FieldType::Decimal},  {"DMKAMORTSURE", FieldType::Integer},
        {"DMKAMORTBITIS", FieldType::Integer}, {"DMHYIL", FieldType::Integer},
        {"DONEM", FieldType::Text},           {"DMHDUZONCAKTIF1", FieldType::Decimal},
        {"DMHDUZSONAKTIF1", FieldType::Decimal}, {"DMHAKTIFFARK1", FieldType::Decimal},
        {"DMHDEGARTFON1", FieldType::Decimal}, {"DMHDUZONCBIRIK1", FieldType::Decimal},
        {"DMHDUZSONBIRIK1", FieldType::Decimal}, {"DMHBIRIKFARK1", FieldType::Decimal},
        {"DMHAYRILAN1", FieldType::Decimal},  {"DMHAMORTORAN1", FieldType::Decimal},
        {"DMHDUZKATSAYI1", FieldType::Decimal}, {"TOPBIRAMORT", FieldType::Float},
        {"TOPAKTIFDEGER", FieldType::Float},
    };
    std::vector<yorsabat::server::FieldInfo> fields;
    for (const auto &[name, type] : all) {
        if (leaveOut.contains(QLatin1String(name)))
            continue;
        yorsabat::server::FieldInfo f;
        f.name = QLatin1String(name);
        f.type = type;
        if (type == FieldType::Decimal) {
            f.precision = 28;
            f.scale = 9;
        }
        fields.push_back(f);
    }
    return fields;
}

// Appends one row: an invalid QVariant is NULL; decimals are given as text.
inline void appendRow(yorsabat::server::ResultSet &rows, const QVariantList &values)
{
    using yorsabat::server::FieldType;
    for (int c = 0; c < rows.fieldCount(); ++c) {
        const QVariant &v = values.at(c);
        if (!v.isValid()) {
            rows.appendNull(c);
            continue;
        }
        switch (rows.field(c).type) {
        case FieldType::Text: rows.appendText(c, v.toString()); break;
        case FieldType::Integer: rows.appendInteger(c, v.toLongLong()); break;
        case FieldType::Float: rows.appendFloat(c, v.toDouble()); break;
        case FieldType::Decimal: rows.appendDecimal(c, v.toString()); break;
        case FieldType::DateTime: rows.appendDateTime(c, v.toDateTime()); break;
        }
    }
}
