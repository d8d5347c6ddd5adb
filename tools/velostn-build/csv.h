// tools/velostn-build/csv.h
//
// A reader for comma-separated text as spreadsheets write it: fields may be quoted with '"', a
// quoted field may hold commas, line breaks and doubled quotes (""), records end with CRLF or LF,
// and a leading UTF-8 byte-order mark is ignored.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace velotune::tools {

struct CsvRecord {
    int line = 0;  // 1-based line on which the record starts
    QStringList fields;
};

// Splits text into records. A blank line is a record with one empty field. Returns false with a
// reason naming the line when a quoted field is not closed or a closing quote is followed by
// anything but a comma or the end of the record.
bool ParseCsv(QStringView text, QList<CsvRecord>* records, QString* error);

}  // namespace velotune::tools
