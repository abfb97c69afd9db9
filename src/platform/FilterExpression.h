#pragma once

#include "platform/DataSet.h"

#include <QString>

#include <memory>
#include <vector>

// A dataset filter text compiled against field definitions: quoted texts
// ('' is a quote), numbers, field names in any case, UPPER(...), = <> < >
// <= >=, [NOT] LIKE with % and _, NOT, AND, OR and parentheses. A quoted
// text compared with a numeric, date or boolean field is read as that type.
// Comparisons with null are false.
class FilterExpression {
public:
    // Throws EDatabaseError on a malformed text, an unknown field or a
    // literal that cannot be read as its field's type.
    static std::shared_ptr<const FilterExpression> compile(const QString &text, const std::vector<FieldDef> &defs);

    bool matches(const Row &row) const;

    struct Node;
    ~FilterExpression();

private:
    FilterExpression() = default;
    std::unique_ptr<Node> m_root;
};

// SQL-style LIKE: % any run, _ one character; case-sensitive.
bool likeMatch(const QString &text, const QString &pattern);
