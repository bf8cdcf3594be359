#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace trqx {

// The ordered list of strings an archived object saves into and loads from.
using TokenList = std::vector<std::string>;

// Base of every persisted class. Save appends the object's tokens; loading is a
// per-class Load(const TokenList&, std::size_t& pos) returning success.
class CArchivable {
 public:
  static constexpr std::string_view kScrambleKey = "Vestralik";

  virtual ~CArchivable() = default;
  virtual void Save(TokenList& tokens) const = 0;

  // Scrambled form of text while the scramble flag is on, else text unchanged.
  std::string ScrambleText(std::string_view text) const;
  // Plain text of a stored value; sets the scramble flag from the value's form, so a
  // password stored in plain text is written back in plain text.
  std::string UnscrambleText(std::string_view value);

  bool m_scrambleEnabled = true;
};

// Writers append (key, "Value", value).
void WriteBool(TokenList& tokens, std::string_view key, bool value);
void WriteInt(TokenList& tokens, std::string_view key, int value);
void WriteUInt(TokenList& tokens, std::string_view key, std::uint32_t value);
void WriteString(TokenList& tokens, std::string_view key, std::string_view value);
// key, "Array", n, then the n values.
void WriteArray(TokenList& tokens, std::string_view key, const std::vector<std::string>& values);
// Class name and the count of entries that follow.
void WriteObjectHeader(TokenList& tokens, std::string_view className, int count);

// Readers stand at the key token; they need "Value" after it, take the value and
// advance pos by 3. On failure pos is unchanged and out untouched.
bool ReadBool(const TokenList& tokens, std::size_t& pos, bool& out);
bool ReadInt(const TokenList& tokens, std::size_t& pos, int& out);
bool ReadUInt(const TokenList& tokens, std::size_t& pos, std::uint32_t& out);
bool ReadString(const TokenList& tokens, std::size_t& pos, std::string& out);
bool ReadArray(const TokenList& tokens, std::size_t& pos, std::vector<std::string>& out);

// Plain decimal conversions as the C library's: leading white space and one sign are
// allowed, then the leading digits count ("12abc" is 12); text that is no number gives 0.
// ParseInt saturates at INT_MIN/INT_MAX. ParseUInt behaves as a 32-bit strtoul: it
// saturates at 4294967295 and a minus sign negates modulo 2^32 ("-1" is 4294967295).
int ParseInt(std::string_view text);
std::uint32_t ParseUInt(std::string_view text);

// Steps over one entry of any form (scalar, array, nested object of any depth) at its key
// token. Fails, pos unchanged, on a negative count or a count that runs past the list. The
// work is linear in the list whatever the counts say.
bool SkipEntry(const TokenList& tokens, std::size_t& pos);

// What a class's member reader says of one key.
enum class MemberRead { kUnknownKey, kLoaded, kFailed };

// A typed reader's success as a member reader's answer.
inline MemberRead Loaded(bool ok) {
  return ok ? MemberRead::kLoaded : MemberRead::kFailed;
}

// Reads the entry whose key stands at pos, advancing pos past what it read.
using MemberReader = std::function<MemberRead(std::string_view key, std::size_t& pos)>;

// The shared object-loading loop: checks the class name and a non-negative count, then
// for each entry hands the key to readMember (which reads from pos onward and advances
// it); unknown keys are skipped. On success pos points just past the object; on failure
// (wrong class name, bad count, a failed member or skip) pos is unchanged, members read so
// far stay read.
bool LoadObject(const TokenList& tokens, std::size_t& pos, std::string_view className,
                const MemberReader& readMember);

// A std::vector of archived objects: stored as one nested object per item.
template <class V>
struct IsObjectList : std::false_type {};
template <class V>
struct IsObjectList<std::vector<V>> : std::is_base_of<CArchivable, V> {};

// One value of a member, by its type: bool, int, std::uint32_t and std::string are
// scalars, std::vector<std::string> an array, a class derived from CArchivable a nested
// object (its own class name is the key, so key goes unused) and a std::vector of such a
// class one nested object per item.
template <class V>
void WriteEntry(TokenList& tokens, std::string_view key, const V& value) {
  if constexpr (std::is_same_v<V, bool>) {
    WriteBool(tokens, key, value);
  } else if constexpr (std::is_same_v<V, int>) {
    WriteInt(tokens, key, value);
  } else if constexpr (std::is_same_v<V, std::uint32_t>) {
    WriteUInt(tokens, key, value);
  } else if constexpr (std::is_same_v<V, std::string>) {
    WriteString(tokens, key, value);
  } else if constexpr (std::is_same_v<V, std::vector<std::string>>) {
    WriteArray(tokens, key, value);
  } else if constexpr (std::is_base_of_v<CArchivable, V>) {
    value.Save(tokens);
  } else {
    static_assert(IsObjectList<V>::value, "no archive form for this member type");
    for (const auto& item : value) {
      item.Save(tokens);
    }
  }
}

// Reads one entry at its key token into value (see WriteEntry). A nested object is loaded
// into a fresh object that replaces value only once it loaded whole; a list item is
// appended once it loaded whole. On failure value keeps what it held.
template <class V>
bool ReadEntry(const TokenList& tokens, std::size_t& pos, V& value) {
  if constexpr (std::is_same_v<V, bool>) {
    return ReadBool(tokens, pos, value);
  } else if constexpr (std::is_same_v<V, int>) {
    return ReadInt(tokens, pos, value);
  } else if constexpr (std::is_same_v<V, std::uint32_t>) {
    return ReadUInt(tokens, pos, value);
  } else if constexpr (std::is_same_v<V, std::string>) {
    return ReadString(tokens, pos, value);
  } else if constexpr (std::is_same_v<V, std::vector<std::string>>) {
    return ReadArray(tokens, pos, value);
  } else if constexpr (std::is_base_of_v<CArchivable, V>) {
    V fresh;
    if (!fresh.Load(tokens, pos)) {
      return false;
    }
    value = std::move(fresh);
    return true;
  } else {
    static_assert(IsObjectList<V>::value, "no archive form for this member type");
    typename V::value_type item;
    if (!item.Load(tokens, pos)) {
      return false;
    }
    value.push_back(std::move(item));
    return true;
  }
}

// How many entries a member writes: one, or one per item for a list of objects.
template <class V>
int EntryCountOf([[maybe_unused]] const V& value) {
  if constexpr (IsObjectList<V>::value) {
    return static_cast<int>(value.size());
  } else {
    return 1;
  }
}

// One row of an archive class's member table: the key and how the member is written, read
// and counted. A class lists its members once, in the writer's order, as a constexpr array
// of these (made by Member, MemberInRange and BaseMember); SaveObject, LoadObject and the
// entry count all go by that array.
template <class T>
struct ArchiveMember {
  std::string_view m_key;
  void (*m_write)(TokenList& tokens, std::string_view key, const T& object);
  bool (*m_read)(const TokenList& tokens, std::size_t& pos, T& object);
  int (*m_entries)(const T& object);
};

template <class T>
using ArchiveTable = std::span<const ArchiveMember<T>>;

namespace archive_detail {

template <class P>
struct MemberPointer;
template <class C, class V>
struct MemberPointer<V C::*> {
  using Class = C;
  using Value = V;
};

template <auto Ptr>
using ClassOf = typename MemberPointer<decltype(Ptr)>::Class;
template <auto Ptr>
using ValueOf = typename MemberPointer<decltype(Ptr)>::Value;

// Nested objects and lists of them are keyed by the object class's own name.
template <class V>
constexpr std::string_view ObjectKey() {
  if constexpr (std::is_base_of_v<CArchivable, V>) {
    return V::kClassName;
  } else {
    return V::value_type::kClassName;
  }
}

}  // namespace archive_detail

// The table row of the data member Ptr (any type WriteEntry takes) under key.
template <auto Ptr>
constexpr ArchiveMember<archive_detail::ClassOf<Ptr>> Member(std::string_view key) {
  using T = archive_detail::ClassOf<Ptr>;
  return {key,
          [](TokenList& tokens, std::string_view k, const T& o) { WriteEntry(tokens, k, o.*Ptr); },
          [](const TokenList& tokens, std::size_t& pos, T& o) {
            return ReadEntry(tokens, pos, o.*Ptr);
          },
          [](const T& o) { return EntryCountOf(o.*Ptr); }};
}

// The table row of a nested object or a list of objects, keyed by the object's class name.
template <auto Ptr>
constexpr ArchiveMember<archive_detail::ClassOf<Ptr>> Member() {
  return Member<Ptr>(archive_detail::ObjectKey<archive_detail::ValueOf<Ptr>>());
}

// The table row of an int member whose stored value must lie within [Low, High]; a value
// outside fails the load and leaves the member unchanged.
template <auto Ptr, int Low, int High>
constexpr ArchiveMember<archive_detail::ClassOf<Ptr>> MemberInRange(std::string_view key) {
  using T = archive_detail::ClassOf<Ptr>;
  static_assert(std::is_same_v<archive_detail::ValueOf<Ptr>, int>);
  return {key,
          [](TokenList& tokens, std::string_view k, const T& o) { WriteInt(tokens, k, o.*Ptr); },
          [](const TokenList& tokens, std::size_t& pos, T& o) {
            int value = 0;
            if (!ReadInt(tokens, pos, value) || value < Low || value > High) {
              return false;
            }
            o.*Ptr = value;
            return true;
          },
          [](const T&) { return 1; }};
}

// The table row of T's base class B, stored as a nested object of B's class name with B's
// own Save and Load(tokens, pos).
template <class B, class T>
constexpr ArchiveMember<T> BaseMember() {
  static_assert(std::is_base_of_v<B, T>);
  return {B::kClassName, [](TokenList& tokens, std::string_view, const T& o) { o.B::Save(tokens); },
          [](const TokenList& tokens, std::size_t& pos, T& o) { return o.B::Load(tokens, pos); },
          [](const T&) { return 1; }};
}

// The entries the table's members of object write.
template <class T>
int EntryCount(const T& object, std::type_identity_t<ArchiveTable<T>> members) {
  int count = 0;
  for (const ArchiveMember<T>& member : members) {
    count += member.m_entries(object);
  }
  return count;
}

// Writes the object header (className, the table's entries plus extraEntries, which the
// caller appends right after) and each table member in table order.
template <class T>
void SaveObject(TokenList& tokens, std::string_view className, const T& object,
                std::type_identity_t<ArchiveTable<T>> members, int extraEntries = 0) {
  WriteObjectHeader(tokens, className, EntryCount(object, members) + extraEntries);
  for (const ArchiveMember<T>& member : members) {
    member.m_write(tokens, member.m_key, object);
  }
}

// LoadObject driven by the table: a key of the table is read by its row (first match in
// table order); any other key goes to readOther when one is given, else it is skipped.
// Success and failure as LoadObject.
template <class T>
bool LoadObject(const TokenList& tokens, std::size_t& pos, std::string_view className, T& object,
                std::type_identity_t<ArchiveTable<T>> members,
                const MemberReader& readOther = nullptr) {
  return LoadObject(tokens, pos, className, [&](std::string_view key, std::size_t& p) {
    for (const ArchiveMember<T>& member : members) {
      if (member.m_key == key) {
        return Loaded(member.m_read(tokens, p, object));
      }
    }
    return readOther ? readOther(key, p) : MemberRead::kUnknownKey;
  });
}

// One record line: tokens joined by commas, quoted where they hold a comma or a
// double quote, ended by "\r\n".
std::string RecordLine(const TokenList& tokens);

}  // namespace trqx
