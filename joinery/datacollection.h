#pragma once

#include "joinery/dataitem.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>

// An ordered list of DataItem pairs, each optionally filed under a unique key. Positions
// count from 1; keys are compared without regard to case. Counters are 64-bit: a list is
// not limited to 32,767 items.
//
// Items are kept in a deque so that references handed out by Add and Item stay valid while
// items are appended.
class DataCollection {
public:
    DataCollection() = default;

    // Appends an item with the two values, filed under sKey when it is not empty. A key that
    // is already present throws the list's duplicate-key error (RunTimeError 457).
    DataItem &Add(const QString &sDataValue, const QString &sKeyValue,
                  const QString &sKey = QString());

    // By 1-based position or by key; an unknown position or key throws RunTimeError 5
    // (invalid procedure call or argument), as the list does.
    DataItem &Item(std::int64_t position);
    DataItem &Item(const QString &key);
    const DataItem &Item(std::int64_t position) const;

    std::int64_t Count() const { return static_cast<std::int64_t>(m_items.size()); }

    void Remove(std::int64_t position);
    void Remove(const QString &key);

    // The enumerator: range-for walks the items in order.
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.cbegin(); }
    auto end() const { return m_items.cend(); }

private:
    std::size_t indexOf(std::int64_t position) const;
    std::size_t indexOf(const QString &key) const;
    void removeAt(std::size_t index);

    std::deque<DataItem> m_items;
    std::deque<QString> m_keys;          // folded key of the item at the same index, or empty
    QHash<QString, std::size_t> m_index; // folded key -> index into m_items
};

using DataCollectionPtr = std::shared_ptr<DataCollection>;
