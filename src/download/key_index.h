#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace trqx {

// Finds entries of a caller's list by their string key, by open addressing over positions
// only: the list keeps the keys, keyOf(position) gives one. Each key keeps the first position
// added for it. Cleared, the index keeps its room, so refilling it allocates only to grow.
class KeyIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Forgets every position.
  void Clear() {
    std::fill(m_slots.begin(), m_slots.end(), 0);
    m_count = 0;
  }

  // The first position added for key; kNone when there is none.
  template <class KeyOf>
  std::size_t Find(std::string_view key, const KeyOf& keyOf) const {
    if (m_count == 0) {
      return kNone;
    }
    const std::uint32_t held = m_slots[SlotOf(key, keyOf)];
    return held == 0 ? kNone : held - 1;
  }

  // Adds position for key unless key has one already; returns the position key has.
  // Positions are below 2^32 - 1.
  template <class KeyOf>
  std::size_t Add(std::string_view key, std::size_t position, const KeyOf& keyOf) {
    // At most half full, so that a search ends soon at an empty slot.
    if (2 * (m_count + 1) > m_slots.size()) {
      Grow(keyOf);
    }
    std::uint32_t& slot = m_slots[SlotOf(key, keyOf)];
    if (slot == 0) {
      slot = static_cast<std::uint32_t>(position + 1);
      ++m_count;
    }
    return slot - 1;
  }

 private:
  static constexpr std::size_t kFirstSize = 256;

  // The slot holding key's position, or the empty slot where it goes.
  template <class KeyOf>
  std::size_t SlotOf(std::string_view key, const KeyOf& keyOf) const {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = std::hash<std::string_view>{}(key)&mask;
    while (m_slots[slot] != 0 && std::string_view(keyOf(m_slots[slot] - 1)) != key) {
      slot = (slot + 1) & mask;
    }
    return slot;
  }

  template <class KeyOf>
  void Grow(const KeyOf& keyOf) {
    std::vector<std::uint32_t> old(std::max(kFirstSize, 2 * m_slots.size()), 0);
    old.swap(m_slots);
    for (const std::uint32_t held : old) {
      if (held != 0) {
        m_slots[SlotOf(keyOf(held - 1), keyOf)] = held;
      }
    }
  }

  // 0 for an empty slot, else a position + 1; the size is a power of two.
  std::vector<std::uint32_t> m_slots;
  std::size_t m_count = 0;
};

}  // namespace trqx
