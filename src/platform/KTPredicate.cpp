#include "KTPredicate.h"

#include "KTObjectID.h"
#include "KTSortDescriptor.h"
#include "KTStoreObject.h"

#include <QDateTime>

struct KTPredicate::Node
{
    virtual ~Node() = default;
    virtual bool evaluate(const KTStoreObject &object) const = 0;
    virtual QString format() const = 0;
};

namespace {

using Node = KTPredicate::Node;

QString formatValue(const QVariant &value)
{
    if (!value.isValid())
        return QStringLiteral("nil");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    case QMetaType::QString:
        return value.toString().isNull() ? QStringLiteral("nil")
                                         : QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODateWithMs);
    default:
        break;
    }
    if (value.typeId() == qMetaTypeId<KTObjectID>())
        return value.value<KTObjectID>().isNull() ? QStringLiteral("nil")
                                                  : value.value<KTObjectID>().toString();
    return value.toString();
}

struct TrueNode : Node
{
    bool evaluate(const KTStoreObject &) const override { return true; }
    QString format() const override { return QStringLiteral("TRUEPREDICATE"); }
};

struct CallbackNode : Node
{
    KTPredicate::Callback callback;
    QString description;
    bool evaluate(const KTStoreObject &object) const override { return callback(object); }
    QString format() const override { return description; }
};

struct AndNode : Node
{
    std::shared_ptr<const Node> a, b;
    bool evaluate(const KTStoreObject &object) const override
    {
        return a->evaluate(object) && b->evaluate(object);
    }
    QString format() const override { return QStringLiteral("(%1) AND (%2)").arg(a->format(), b->format()); }
};

struct OrNode : Node
{
    std::shared_ptr<const Node> a, b;
    bool evaluate(const KTStoreObject &object) const override
    {
        return a->evaluate(object) || b->evaluate(object);
    }
    QString format() const override { return QStringLiteral("(%1) OR (%2)").arg(a->format(), b->format()); }
};

struct NotNode : Node
{
    std::shared_ptr<const Node> a;
    bool evaluate(const KTStoreObject &object) const override { return !a->evaluate(object); }
    QString format() const override { return QStringLiteral("NOT (%1)").arg(a->format()); }
};

struct KeyNode : Node
{
    QString path;
    QStringList parts;
    QVariant read(const KTStoreObject &object) const { return object.valueForKeyPath(parts); }
};

enum class Operator
{
    Equal,
    NotEqual,
    Less,
    LessOrEqual,
    Greater,
    GreaterOrEqual,
};

struct CompareNode : KeyNode
{
    Operator op = Operator::Equal;
    QVariant constant;

    bool evaluate(const KTStoreObject &object) const override
    {
        const QVariant value = read(object);
        switch (op) {
        case Operator::Equal:
            return KTSortDescriptor::valuesEqual(value, constant);
        case Operator::NotEqual:
            return !KTSortDescriptor::valuesEqual(value, constant);
        default:
            break;
        }
        // Ordering needs two values of one kind: nil, or a string against a number, is false.
        const std::optional<int> order = KTSortDescriptor::compareSameKind(value, constant);
        if (!order)
            return false;
        const int c = *order;
        switch (op) {
        case Operator::Less:
            return c < 0;
        case Operator::LessOrEqual:
            return c <= 0;
        case Operator::Greater:
            return c > 0;
        case Operator::GreaterOrEqual:
            return c >= 0;
        default:
            return false;
        }
    }
    QString format() const override
    {
        static const char *const names[] = {"==", "!=", "<", "<=", ">", ">="};
        return QStringLiteral("%1 %2 %3").arg(path, QLatin1String(names[int(op)]), formatValue(constant));
    }
};

struct InNode : KeyNode
{
    QVariantList values;
    bool evaluate(const KTStoreObject &object) const override
    {
        const QVariant value = read(object);
        for (const QVariant &candidate : values)
            if (KTSortDescriptor::valuesEqual(value, candidate))
                return true;
        return false;
    }
    QString format() const override
    {
        QStringList items;
        for (const QVariant &v : values)
            items.append(formatValue(v));
        return QStringLiteral("%1 IN {%2}").arg(path, items.join(QStringLiteral(", ")));
    }
};

// Whole-string match with * (any run) and ? (one character); greedy with backtracking to the
// last star, which is linear for the patterns in use.
bool wildcardMatch(QStringView text, QStringView pattern)
{
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starT = t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool isString(const QVariant &value)
{
    return value.typeId() == QMetaType::QString && !value.toString().isNull();
}

struct LikeNode : KeyNode
{
    QString pattern;
    bool evaluate(const KTStoreObject &object) const override
    {
        const QVariant value = read(object);
        return isString(value) && wildcardMatch(value.toString(), pattern);
    }
    QString format() const override { return QStringLiteral("%1 LIKE %2").arg(path, formatValue(pattern)); }
};

struct ContainsNode : KeyNode
{
    QString text;
    bool evaluate(const KTStoreObject &object) const override
    {
        const QVariant value = read(object);
        return isString(value) && value.toString().contains(text, Qt::CaseSensitive);
    }
    QString format() const override { return QStringLiteral("%1 CONTAINS %2").arg(path, formatValue(text)); }
};

struct MaskNode : KeyNode
{
    quint64 mask = 0;
    quint64 expected = 0;
    bool evaluate(const KTStoreObject &object) const override
    {
        const QVariant value = read(object);
        const quint64 bits = value.isValid() ? value.toULongLong() : 0;
        return (bits & mask) == expected;
    }
    QString format() const override
    {
        return QStringLiteral("(%1 & %2) == %3").arg(path).arg(mask).arg(expected);
    }
};

template <typename T> std::shared_ptr<T> keyNode(const QString &path, const QStringList &parts)
{
    auto node = std::make_shared<T>();
    node->path = path;
    node->parts = parts;
    return node;
}

} // namespace

KTPredicate::KTPredicate()
{
    static const std::shared_ptr<const Node> s_true = std::make_shared<TrueNode>();
    m_node = s_true;
}

KTPredicate KTPredicate::fromCallback(Callback callback, const QString &description)
{
    auto node = std::make_shared<CallbackNode>();
    node->callback = std::move(callback);
    node->description = description;
    return KTPredicate(std::move(node));
}

bool KTPredicate::evaluate(const KTStoreObject &object) const
{
    return m_node->evaluate(object);
}

QString KTPredicate::format() const
{
    return m_node->format();
}

KTPredicate operator&&(const KTPredicate &a, const KTPredicate &b)
{
    auto node = std::make_shared<AndNode>();
    node->a = a.m_node;
    node->b = b.m_node;
    return KTPredicate(std::move(node));
}

KTPredicate operator||(const KTPredicate &a, const KTPredicate &b)
{
    auto node = std::make_shared<OrNode>();
    node->a = a.m_node;
    node->b = b.m_node;
    return KTPredicate(std::move(node));
}

KTPredicate operator!(const KTPredicate &a)
{
    auto node = std::make_shared<NotNode>();
    node->a = a.m_node;
    return KTPredicate(std::move(node));
}

KTKeyPath::KTKeyPath(const QString &path) : m_path(path), m_parts(path.split(QLatin1Char('.'))) {}

namespace {

QVariant recordValue(const KTStoreObject *record)
{
    return record ? QVariant::fromValue(record->objectID()) : QVariant();
}

} // namespace

KTPredicate KTKeyPath::compareWith(int op, const QVariant &value) const
{
    auto node = keyNode<CompareNode>(m_path, m_parts);
    node->op = Operator(op);
    node->constant = value;
    return KTPredicate(std::move(node));
}

KTPredicate KTKeyPath::operator==(const QVariant &value) const
{
    return compareWith(int(Operator::Equal), value);
}

KTPredicate KTKeyPath::operator!=(const QVariant &value) const
{
    return compareWith(int(Operator::NotEqual), value);
}

KTPredicate KTKeyPath::operator<(const QVariant &value) const
{
    return compareWith(int(Operator::Less), value);
}

KTPredicate KTKeyPath::operator<=(const QVariant &value) const
{
    return compareWith(int(Operator::LessOrEqual), value);
}

KTPredicate KTKeyPath::operator>(const QVariant &value) const
{
    return compareWith(int(Operator::Greater), value);
}

KTPredicate KTKeyPath::operator>=(const QVariant &value) const
{
    return compareWith(int(Operator::GreaterOrEqual), value);
}

KTPredicate KTKeyPath::operator==(const KTStoreObject *record) const
{
    return *this == recordValue(record);
}

KTPredicate KTKeyPath::operator!=(const KTStoreObject *record) const
{
    return *this != recordValue(record);
}

KTPredicate KTKeyPath::isNil() const
{
    return *this == QVariant();
}

KTPredicate KTKeyPath::isNotNil() const
{
    return *this != QVariant();
}

KTPredicate KTKeyPath::in(const QVariantList &values) const
{
    auto node = keyNode<InNode>(m_path, m_parts);
    node->values = values;
    return KTPredicate(std::move(node));
}

KTPredicate KTKeyPath::like(const QString &pattern) const
{
    auto node = keyNode<LikeNode>(m_path, m_parts);
    node->pattern = pattern;
    return KTPredicate(std::move(node));
}

KTPredicate KTKeyPath::contains(const QString &text) const
{
    auto node = keyNode<ContainsNode>(m_path, m_parts);
    node->text = text;
    return KTPredicate(std::move(node));
}

KTPredicate KTKeyPath::maskEquals(quint64 mask, quint64 expected) const
{
    auto node = keyNode<MaskNode>(m_path, m_parts);
    node->mask = mask;
    node->expected = expected;
    return KTPredicate(std::move(node));
}
