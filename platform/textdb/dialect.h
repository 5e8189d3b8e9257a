#pragma once
// Rewrites a statement of the text driver's dialect into the SQL of the
// in-memory engine:
//  - "&" (concatenation) becomes "||";
//  - "..." string literals become '...'; [name] identifiers become "name";
//  - LEFT( and RIGHT( become JET_LEFT( and JET_RIGHT( (LEFT and RIGHT are
//    join keywords of the engine);
//  - blanks outside literals that are not ASCII (such as U+3000) become " ";
//  - the table after FROM ("demand.csv", [demand.csv], "demand.csv") is cut out
//    so that the caller can put the loaded table's name in its place;
//  - a top-level GROUP BY without ORDER BY gets ORDER BY on the same keys, so
//    groups come back in ascending key order as the text driver returns them.
// Operator precedence is the engine's: "||" binds tighter than "+", so a text
// must not rely on "a & b + c" meaning "a & (b + c)" (the system's texts put
// such sums inside function arguments).
#include <QString>

namespace platform::textdb {

struct Translation {
    QString sql;   // engine SQL; every table reference is the character U+0001
    QString table; // file name of the table, as written (quotes removed)

    QString withTable(const QString &internalName) const
    {
        QString s = sql;
        return s.replace(QChar(0x0001), internalName);
    }
};

// Raises RuntimeError on unterminated literals and on statements naming more
// than one table.
Translation translateStatement(const QString &jetSql);

} // namespace platform::textdb
