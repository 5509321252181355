#include "rename_prediction.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>

namespace moxtal {

namespace {

constexpr std::size_t kOriginal = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kNone = kOriginal - 1;

// A hash map from names to row numbers in one flat array of 12-byte slots (open addressing, linear
// probing, at most half full) over a list of the names: a hundred thousand names cost no
// allocation each and little memory to walk, which keeps the prediction a small part of the time
// from "Do!" to the dialog. An erased name keeps its slot, marked absent, so probe paths stay short.
class NameTable {
public:
    explicit NameTable(std::size_t expected)
    {
        std::size_t capacity = 16;
        while (capacity < expected * 2 + 16)
            capacity *= 2;
        m_slots.resize(capacity);
        m_names.reserve(expected);
    }

    static std::uint64_t hashOf(std::string_view name) { return std::hash<std::string_view> {}(name); }

    // The value held for name, or kNone.
    std::size_t find(std::string_view name) { return find(name, hashOf(name)); }
    std::size_t find(std::string_view name, std::uint64_t hash)
    {
        const Slot& slot = m_slots[locate(name, hash)];
        if (slot.name == kEmpty || slot.value == kAbsent)
            return kNone;
        return slot.value == kOriginalValue ? kOriginal : slot.value;
    }

    void set(std::string_view name, std::size_t value) { set(name, hashOf(name), value); }
    void set(std::string_view name, std::uint64_t hash, std::size_t value)
    {
        std::size_t at = locate(name, hash);
        if (m_slots[at].name == kEmpty) {
            if ((m_names.size() + 1) * 2 > m_slots.size()) {
                grow();
                at = locate(name, hash);
            }
            m_names.push_back(name);
            m_slots[at] = {static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(m_names.size() - 1), 0};
        }
        m_slots[at].value = value == kOriginal ? kOriginalValue : static_cast<std::uint32_t>(value);
    }

    void erase(std::string_view name)
    {
        Slot& slot = m_slots[locate(name, hashOf(name))];
        if (slot.name != kEmpty)
            slot.value = kAbsent;
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    static constexpr std::uint32_t kOriginalValue = 0xFFFFFFFF;
    static constexpr std::uint32_t kAbsent = 0xFFFFFFFE;
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t name = kEmpty;  // index into m_names
        std::uint32_t value = 0;
    };

    // The slot holding name, else the empty one where it belongs.
    std::size_t locate(std::string_view name, std::uint64_t hash) const
    {
        const std::size_t mask = m_slots.size() - 1;
        const auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t i = (hash >> 7) & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.name == kEmpty || (slot.hash == tag && m_names[slot.name] == name))
                return i;
        }
    }

    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (slot.name == kEmpty)
                continue;
            std::size_t i = (hashOf(m_names[slot.name]) >> 7) & mask;
            while (m_slots[i].name != kEmpty)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    std::vector<std::string_view> m_names;
};

bool attempted(const ConfirmRow& row)
{
    return row.status == kStatusReplace && row.oldName != row.newName;
}

// The names as the folder compares them: the names themselves, or their folded forms, made once
// for both walks.
class FolderKeys {
public:
    FolderKeys(const FolderRules& rules, const std::vector<ConfirmRow>& rows,
               const std::vector<std::string_view>& folderNames)
        : m_rows(rows), m_folderNames(folderNames), m_folds(rules.folding != CaseFolding::None)
    {
        if (!m_folds)
            return;
        m_folder.reserve(folderNames.size());
        for (const std::string_view name : folderNames)
            m_folder.push_back(foldedName(rules, name));
        m_old.resize(rows.size());
        m_new.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (attempted(rows[i])) {
                m_old[i] = foldedName(rules, rows[i].oldName);
                m_new[i] = foldedName(rules, rows[i].newName);
            }
        }
    }

    bool folds() const { return m_folds; }
    std::string_view folder(std::size_t i) const { return m_folds ? m_folder[i] : m_folderNames[i]; }
    std::string_view oldName(std::size_t row) const { return m_folds ? m_old[row] : m_rows[row].oldName; }
    std::string_view newName(std::size_t row) const { return m_folds ? m_new[row] : m_rows[row].newName; }

private:
    const std::vector<ConfirmRow>& m_rows;
    const std::vector<std::string_view>& m_folderNames;
    bool m_folds;
    std::vector<std::string> m_folder;
    std::vector<std::string> m_old;
    std::vector<std::string> m_new;
};

// One walk over the rows in the given order. holder maps each name present (as the folder compares
// names) to the row that moved a file onto it, or kOriginal for a file that was there before. In a
// folder that folds case, exact keeps the same for each spelling, which tells a file's own new
// spelling from another entry's.
class PassWalk {
public:
    PassWalk(const FolderRules& rules, const FolderKeys& keys, const std::vector<std::string_view>& folderNames,
             std::size_t rows)
        : m_rules(rules), m_keys(keys), m_holder(folderNames.size() + rows)
    {
        for (std::size_t i = 0; i < folderNames.size(); ++i)
            m_holder.set(keys.folder(i), kOriginal);
        if (keys.folds()) {
            m_exact.emplace(folderNames.size() + rows);
            for (const std::string_view name : folderNames)
                m_exact->set(name, kOriginal);
        }
        // Every folder holds these two.
        m_holder.set(".", kOriginal);
        m_holder.set("..", kOriginal);
    }

    // Renames row i in the walk; false when the pass would refuse it, with who holds the new name.
    bool rename(const ConfirmRow& row, std::size_t i, std::size_t& holder, bool& missing)
    {
        const std::string_view oldKey = m_keys.oldName(i);
        const std::string_view newKey = m_keys.newName(i);
        missing = m_holder.find(oldKey) == kNone;
        if (missing || refusedForNameAlone(m_rules, row.newName) != Refusal::None)
            return false;
        // A new spelling of the file's own name: the file holds it, so only an entry with exactly
        // that spelling is in the way.
        const std::size_t taken = m_exact && oldKey == newKey ? m_exact->find(row.newName) : m_holder.find(newKey);
        if (taken != kNone) {
            holder = taken;
            return false;
        }
        m_holder.erase(oldKey);
        m_holder.set(newKey, i);
        if (m_exact) {
            m_exact->erase(row.oldName);
            m_exact->set(row.newName, i);
        }
        return true;
    }

private:
    const FolderRules& m_rules;
    const FolderKeys& m_keys;
    NameTable m_holder;
    std::optional<NameTable> m_exact;
};

bool endsWith(std::string_view name, char c)
{
    return !name.empty() && name.back() == c;
}

}  // namespace

Refusal refusedForNameAlone(const FolderRules& rules, std::string_view newName)
{
    if (rules.maxNameBytes != 0 && newName.size() > rules.maxNameBytes)
        return Refusal::NameTooLong;
    if (rules.maxNameUtf16Units != 0) {
        const std::size_t units = utf16Length(newName);
        if (units == std::string_view::npos)
            return Refusal::NotAllowedHere;
        if (units > rules.maxNameUtf16Units)
            return Refusal::NameTooLong;
    }
    if (rules.refusesWindowsCharacters) {
        for (const char c : newName) {
            if ((c >= 0x01 && c <= 0x1F) || std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos)
                return Refusal::NotAllowedHere;
        }
    }
    if ((rules.refusesTrailingDot && endsWith(newName, '.')) || (rules.refusesTrailingSpace && endsWith(newName, ' ')))
        return Refusal::NotAllowedHere;
    return Refusal::None;
}

std::vector<RowPrediction> predictRefusals(const std::vector<ConfirmRow>& rows,
                                           const std::vector<std::string>& folderNames, const FolderRules& rules)
{
    const std::vector<std::string_view> names(folderNames.begin(), folderNames.end());
    if (!mayRefuse(rows, names, rules))
        return std::vector<RowPrediction>(rows.size());
    return walkRefusals(rows, names, rules);
}

namespace {

// The names of the quick check: the folder's names and the new names, in one flat array of 8-byte
// slots (a tag of the hash and an index + 1, 0 for none), at most half full. A folder name's index
// is its place in the list (then "." and ".."), flagged once a row renames its file; a new name's
// follows them, by its row.
class QuickNames {
public:
    QuickNames(const std::vector<std::string_view>& folderNames, const std::vector<ConfirmRow>& rows,
               std::size_t expected)
        : m_folderNames(folderNames), m_rows(rows)
    {
        std::size_t capacity = 16;
        while (capacity < expected * 2)
            capacity *= 2;
        m_slots.assign(capacity, 0);
    }

    static constexpr std::uint32_t kRenamed = 0x80000000u;

    // The slot of name: the one holding it, or the empty one where it belongs.
    std::uint64_t& slotOf(std::string_view name, std::uint64_t hash)
    {
        const std::size_t mask = m_slots.size() - 1;
        const auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t i = home(hash);; i = (i + 1) & mask) {
            std::uint64_t& slot = m_slots[i];
            if (slot == 0 || (static_cast<std::uint32_t>(slot >> 32) == tag && nameOf(slot) == name))
                return slot;
        }
    }

    // Fetches the slot where a name of that hash belongs, ahead of its turn.
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&m_slots[home(hash)]); }

    static std::uint64_t slotFor(std::uint64_t hash, std::size_t index)
    {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(hash)) << 32) | (index + 1);
    }

private:
    std::size_t home(std::uint64_t hash) const { return (hash >> 7) & (m_slots.size() - 1); }

    std::string_view nameOf(std::uint64_t slot) const
    {
        const std::size_t index = (static_cast<std::uint32_t>(slot) & ~kRenamed) - 1;
        const std::size_t folder = m_folderNames.size();
        if (index < folder)
            return m_folderNames[index];
        if (index < folder + 2)
            return index == folder ? "." : "..";
        return m_rows[index - folder - 2].newName;
    }

    const std::vector<std::string_view>& m_folderNames;
    const std::vector<ConfirmRow>& m_rows;
    std::vector<std::uint64_t> m_slots;
};

// How many rows ahead a row's old name is fetched from memory.
constexpr std::size_t kAhead = 8;

// A hash of a name for the quick check, which hashes every name once per part: eight bytes at a
// time, each mixed in by a multiplication.
std::uint64_t quickHash(std::string_view name)
{
    std::uint64_t hash = 0x9E3779B97F4A7C15u ^ name.size();
    std::size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, name.data() + i, 8);
        hash = (hash ^ word) * 0xBF58476D1CE4E5B9u;
        hash ^= hash >> 31;
    }
    std::uint64_t rest = 0;
    if (i < name.size())
        std::memcpy(&rest, name.data() + i, name.size() - i);
    hash = (hash ^ rest) * 0x94D049BB133111EBu;
    return hash ^ (hash >> 29);
}

}  // namespace

QuickRefusalCheck::QuickRefusalCheck(const std::vector<ConfirmRow>& rows,
                                     const std::vector<std::string_view>& folderNames, const FolderRules& rules,
                                     std::size_t parts)
    : m_rows(rows), m_folderNames(folderNames), m_rules(rules), m_parts(std::max<std::size_t>(parts, 1)),
      m_folder(m_parts, std::vector<std::vector<Name>>(m_parts)),
      m_renamed(m_parts, std::vector<std::vector<Name>>(m_parts))
{ }

void QuickRefusalCheck::hash(std::size_t slice)
{
    // Each name goes to the part its hash gives (from bits the table's slots do not use).
    const auto take = [&](std::vector<std::vector<Name>>& parts, std::string_view name, std::size_t index, Kind kind) {
        const std::uint64_t hash = quickHash(name);
        parts[(hash >> 40) % m_parts].push_back({hash, static_cast<std::uint32_t>(index), kind});
    };
    const std::size_t folders = m_folderNames.size(), rows = m_rows.size();
    for (std::vector<Name>& part : m_folder[slice])
        part.reserve(folders / m_parts / m_parts + 16);
    for (std::vector<Name>& part : m_renamed[slice])
        part.reserve(2 * rows / m_parts / m_parts + 16);
    // Every folder holds "." and "..".
    if (slice == 0) {
        take(m_folder[slice], ".", folders, Kind::Folder);
        take(m_folder[slice], "..", folders + 1, Kind::Folder);
    }
    for (std::size_t i = folders * slice / m_parts; i < folders * (slice + 1) / m_parts; ++i)
        take(m_folder[slice], m_folderNames[i], i, Kind::Folder);
    const std::size_t end = rows * (slice + 1) / m_parts;
    for (std::size_t i = rows * slice / m_parts; i < end; ++i) {
        // The old names lie in memory in another order than the rows': each is fetched ahead.
        if (i + kAhead < end)
            __builtin_prefetch(m_rows[i + kAhead].oldName.data());
        if (attempted(m_rows[i])) {
            take(m_renamed[slice], m_rows[i].oldName, i, Kind::Old);
            take(m_renamed[slice], m_rows[i].newName, i, Kind::New);
        }
    }
}

bool QuickRefusalCheck::mayRefuse(std::size_t part) const
{
    // Folded names, and a file's own new spelling, are for the walk.
    if (m_rules.folding != CaseFolding::None)
        return true;
    const std::size_t folders = m_folderNames.size();
    if (folders + m_rows.size() + 2 >= QuickNames::kRenamed)
        return true;
    // The table holds the folder's names and the new ones (about half of the rows' names).
    std::size_t count = 0;
    for (std::size_t slice = 0; slice < m_parts; ++slice)
        count += m_folder[slice][part].size() + m_renamed[slice][part].size() / 2;
    const auto nameOf = [&](const Name& name) -> std::string_view {
        if (name.kind != Kind::Folder)
            return name.kind == Kind::Old ? m_rows[name.index].oldName : m_rows[name.index].newName;
        if (name.index < folders)
            return m_folderNames[name.index];
        return name.index == folders ? "." : "..";
    };
    // The folder's names first, then the rows' (in any order: the answer is the same), each name's
    // slot fetched a few turns ahead.
    QuickNames table(m_folderNames, m_rows, count + 16);
    constexpr std::size_t kAhead = 8;
    const auto check = [&](const std::vector<Name>& names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i + kAhead < names.size())
                table.prefetch(names[i + kAhead].hash);
            const Name& name = names[i];
            std::uint64_t& slot = table.slotOf(nameOf(name), name.hash);
            const auto index = static_cast<std::uint32_t>(slot);
            switch (name.kind) {
            case Kind::Folder:
                if (slot == 0)
                    slot = QuickNames::slotFor(name.hash, name.index);
                break;
            case Kind::Old:
                // The file is there and no other row renames it.
                if (slot == 0 || (index & QuickNames::kRenamed) != 0 || index > folders)
                    return true;
                slot |= QuickNames::kRenamed;
                break;
            case Kind::New:
                // Nothing has the new name, before or after, and the file system takes it.
                if (slot != 0 || refusedForNameAlone(m_rules, m_rows[name.index].newName) != Refusal::None)
                    return true;
                slot = QuickNames::slotFor(name.hash, folders + 2 + name.index);
                break;
            }
        }
        return false;
    };
    for (std::size_t slice = 0; slice < m_parts; ++slice)
        check(m_folder[slice][part]);
    for (std::size_t slice = 0; slice < m_parts; ++slice) {
        if (check(m_renamed[slice][part]))
            return true;
    }
    return false;
}

bool mayRefuse(const std::vector<ConfirmRow>& rows, const std::vector<std::string_view>& folderNames,
               const FolderRules& rules)
{
    QuickRefusalCheck check(rows, folderNames, rules, 1);
    check.hash(0);
    return check.mayRefuse(0);
}

std::vector<RowPrediction> walkRefusals(const std::vector<ConfirmRow>& rows,
                                        const std::vector<std::string_view>& folderNames, const FolderRules& rules)
{
    std::vector<RowPrediction> out(rows.size());
    const FolderKeys keys(rules, rows, folderNames);
    // The last row that renames each name away, to tell a later row's file from an unrenamed one;
    // made only when a row is refused.
    std::optional<NameTable> lastRenaming;
    const auto lastRenamingOf = [&](std::string_view key) {
        if (!lastRenaming) {
            lastRenaming.emplace(rows.size());
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (attempted(rows[i]))
                    lastRenaming->set(keys.oldName(i), i);
            }
        }
        return lastRenaming->find(key);
    };
    PassWalk walk(rules, keys, folderNames, rows.size());
    bool anyLater = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!attempted(rows[i]))
            continue;
        std::size_t holder = kOriginal;
        bool missing = false;
        if (walk.rename(rows[i], i, holder, missing))
            continue;
        RowPrediction& p = out[i];
        if (missing) {
            p.refusal = Refusal::NoSuchFile;
        } else if (const Refusal alone = refusedForNameAlone(rules, rows[i].newName); alone != Refusal::None) {
            p.refusal = alone;
            p.countedInUtf16 = alone == Refusal::NameTooLong &&
                               (rules.maxNameBytes == 0 || rows[i].newName.size() <= rules.maxNameBytes);
        } else if (holder != kOriginal) {
            p = {Refusal::SameNewName, holder, false};
        } else if (const std::size_t later = lastRenamingOf(keys.newName(i)); later != kNone && later > i) {
            p = {Refusal::TakenByLater, later, false};
            anyLater = true;
        } else {
            p.refusal = Refusal::TakenByOther;
        }
    }
    if (anyLater) {
        // The same pass in reverse order tells which of these rows a reversed list would save.
        PassWalk reverse(rules, keys, folderNames, rows.size());
        for (std::size_t i = rows.size(); i-- > 0;) {
            std::size_t holder = kOriginal;
            bool missing = false;
            const bool ok = attempted(rows[i]) && reverse.rename(rows[i], i, holder, missing);
            if (out[i].refusal == Refusal::TakenByLater)
                out[i].reverseOrderSucceeds = ok;
        }
    }
    return out;
}

std::string refusalText(const RowPrediction& p)
{
    const std::string other = std::to_string(p.otherRow + 1);
    switch (p.refusal) {
    case Refusal::None:
        return {};
    case Refusal::NoSuchFile:
        return "No file has the old name.";
    case Refusal::TakenByOther:
        return "The new name belongs to a file that is not renamed.";
    case Refusal::TakenByLater:
        return "The new name belongs to a file that row " + other + " renames later." +
               (p.reverseOrderSucceeds ? " In the reverse list order this row would succeed: sort the file list "
                                         "the other way before \"Do!\"."
                                       : "");
    case Refusal::SameNewName:
        return "Row " + other + " gets the same new name first.";
    case Refusal::NameTooLong:
        return p.countedInUtf16 ? "The new name is longer than 255 UTF-16 units."
                                : "The new name is longer than 255 bytes.";
    case Refusal::NotAllowedHere:
        return "The new name is not allowed on this file system.";
    }
    return {};
}

}  // namespace moxtal
