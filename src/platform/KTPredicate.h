#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>

class KTStoreObject;

/// A test on a record, evaluated in memory: comparisons of a key path with a constant, nil tests,
/// membership, LIKE and CONTAINS on strings, a bit-mask test, AND/OR/NOT, and callback tests.
/// Build them with KTKeyPath:
///
///     (KTKeyPath("picked") != true) && (KTKeyPath("rejected") != true)
///     KTKeyPath("timeGroup").isNotNil() && (KTKeyPath("rejected") != true)
///     !KTKeyPath("type").like("fileSystem")
///
/// Nil follows the platform's rules: nil equals only nil, so "rejected != YES" holds for nil and
/// "rejected == YES" does not; a NO is a value, so "rejected != NO" also holds for nil. Ordering
/// comparisons, LIKE and CONTAINS are false when either side is nil. Numbers compare by value
/// whatever their type (YES equals 1); a string never equals a number.
///
/// A default-made predicate is always true. Predicates are immutable and cheap to copy; two
/// copies share one tree, and isSameAs() tells whether two predicates are that same tree.
///
/// Threading: immutable; evaluate on any thread where the record may be used.
class KTPredicate
{
public:
    using Callback = std::function<bool(const KTStoreObject &)>;

    KTPredicate();
    static KTPredicate alwaysTrue() { return {}; }
    /// A predicate made from a callback; `description` is what format() shows.
    static KTPredicate fromCallback(Callback callback,
                                    const QString &description = QStringLiteral("BLOCKPREDICATE"));

    bool evaluate(const KTStoreObject &object) const;
    /// A readable form for logs and test names, e.g. "(picked != YES) AND (rejected != YES)".
    QString format() const;
    bool isSameAs(const KTPredicate &other) const { return m_node == other.m_node; }

    friend KTPredicate operator&&(const KTPredicate &a, const KTPredicate &b);
    friend KTPredicate operator||(const KTPredicate &a, const KTPredicate &b);
    friend KTPredicate operator!(const KTPredicate &a);

    struct Node;

private:
    friend class KTKeyPath;
    explicit KTPredicate(std::shared_ptr<const Node> node) : m_node(std::move(node)) {}
    std::shared_ptr<const Node> m_node;
};

/// A key path on a record ("rejected", "folder.type"), to build predicates from.
class KTKeyPath
{
public:
    explicit KTKeyPath(const QString &path);

    const QString &path() const { return m_path; }

    KTPredicate operator==(const QVariant &value) const;
    KTPredicate operator!=(const QVariant &value) const;
    KTPredicate operator<(const QVariant &value) const;
    KTPredicate operator<=(const QVariant &value) const;
    KTPredicate operator>(const QVariant &value) const;
    KTPredicate operator>=(const QVariant &value) const;
    /// Compares a to-one relationship with a record (by object id); null means nil.
    KTPredicate operator==(const KTStoreObject *record) const;
    KTPredicate operator!=(const KTStoreObject *record) const;
    KTPredicate isNil() const;
    KTPredicate isNotNil() const;
    /// The value equals one of `values`.
    KTPredicate in(const QVariantList &values) const;
    /// Case-sensitive match of the whole string against `pattern`, where * matches any run of
    /// characters and ? one character.
    KTPredicate like(const QString &pattern) const;
    /// Case-sensitive substring test.
    KTPredicate contains(const QString &text) const;
    /// (value & mask) == expected, with the value read as an unsigned integer (nil reads 0).
    KTPredicate maskEquals(quint64 mask, quint64 expected) const;

private:
    KTPredicate compareWith(int op, const QVariant &value) const;

    QString m_path;
    QStringList m_parts;
};
