#include "tools/velostn-build/csv.h"

namespace velotune::tools {

bool ParseCsv(QStringView text, QList<CsvRecord>* records, QString* error) {
    if (text.startsWith(QChar(0xFEFF)))
        text = text.mid(1);
    const qsizetype size = text.size();
    qsizetype pos = 0;
    int line = 1;

    auto fail = [&](const QString& what) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line).arg(what);
        return false;
    };
    // At a line end, steps over it (CRLF, LF or a lone CR) and returns true.
    auto takeLineEnd = [&]() {
        if (pos < size && text[pos] == QLatin1Char('\r')) {
            ++pos;
            if (pos < size && text[pos] == QLatin1Char('\n'))
                ++pos;
            return true;
        }
        if (pos < size && text[pos] == QLatin1Char('\n')) {
            ++pos;
            return true;
        }
        return false;
    };

    while (pos < size) {
        CsvRecord record;
        record.line = line;
        for (;;) {
            QString field;
            if (pos < size && text[pos] == QLatin1Char('"')) {
                const int openedOn = line;
                ++pos;
                for (;;) {
                    if (pos >= size) {
                        line = openedOn;
                        return fail(QStringLiteral("quoted field is not closed"));
                    }
                    const QChar c = text[pos++];
                    if (c == QLatin1Char('"')) {
                        if (pos < size && text[pos] == QLatin1Char('"')) {
                            field += c;
                            ++pos;
                            continue;
                        }
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                }
                if (pos < size && text[pos] != QLatin1Char(',') && text[pos] != QLatin1Char('\r') &&
                    text[pos] != QLatin1Char('\n'))
                    return fail(QStringLiteral("text after a closing quote"));
            } else {
                const qsizetype start = pos;
                while (pos < size && text[pos] != QLatin1Char(',') &&
                       text[pos] != QLatin1Char('\r') && text[pos] != QLatin1Char('\n'))
                    ++pos;
                field = text.mid(start, pos - start).toString();
            }
            record.fields.append(field);
            if (pos < size && text[pos] == QLatin1Char(',')) {
                ++pos;
                continue;
            }
            break;
        }
        if (takeLineEnd())
            ++line;
        records->append(record);
    }
    return true;
}

}  // namespace velotune::tools
