#include "joinery/datacollection.h"

#include "contracts/runtimeerror.h"

namespace {
// The list's own error numbers: 5 for a position or key it does not hold, 457 for a key
// that is already taken.
constexpr std::int32_t kInvalidArgument = 5;
constexpr std::int32_t kDuplicateKey = 457;

QString foldKey(const QString &key) { return key.toCaseFolded(); }
} // namespace

DataItem &DataCollection::Add(const QString &sDataValue, const QString &sKeyValue,
                              const QString &sKey)
{
    const QString folded = foldKey(sKey);
    if (!sKey.isEmpty()) {
        if (m_index.contains(folded))
            throw RunTimeError(kDuplicateKey,
                               QStringLiteral("This key is already associated with an element "
                                              "of this collection"),
                               QStringLiteral("DataCollection"));
        m_index.insert(folded, m_items.size());
    }
    m_items.push_back(DataItem{sKeyValue, sDataValue});
    m_keys.push_back(sKey.isEmpty() ? QString() : folded);
    return m_items.back();
}

std::size_t DataCollection::indexOf(std::int64_t position) const
{
    if (position < 1 || position > Count())
        throw RunTimeError(kInvalidArgument,
                           QStringLiteral("Invalid procedure call or argument: no item at "
                                          "position %1")
                               .arg(position),
                           QStringLiteral("DataCollection"));
    return static_cast<std::size_t>(position - 1);
}

std::size_t DataCollection::indexOf(const QString &key) const
{
    const auto found = m_index.constFind(foldKey(key));
    if (found == m_index.cend())
        throw RunTimeError(kInvalidArgument,
                           QStringLiteral("Invalid procedure call or argument: no item with "
                                          "the key \"%1\"")
                               .arg(key),
                           QStringLiteral("DataCollection"));
    return found.value();
}

DataItem &DataCollection::Item(std::int64_t position) { return m_items[indexOf(position)]; }

const DataItem &DataCollection::Item(std::int64_t position) const
{
    return m_items[indexOf(position)];
}

DataItem &DataCollection::Item(const QString &key) { return m_items[indexOf(key)]; }

void DataCollection::Remove(std::int64_t position) { removeAt(indexOf(position)); }

void DataCollection::Remove(const QString &key) { removeAt(indexOf(key)); }

void DataCollection::removeAt(std::size_t index)
{
    if (!m_keys[index].isEmpty())
        m_index.remove(m_keys[index]);
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
    m_keys.erase(m_keys.begin() + static_cast<std::ptrdiff_t>(index));
    // Items behind the removed one moved down by one position.
    for (auto it = m_index.begin(); it != m_index.end(); ++it) {
        if (it.value() > index)
            --it.value();
    }
}
