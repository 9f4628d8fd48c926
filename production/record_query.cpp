#include "production/record_query.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <unordered_set>

#include "production/records_journal.h"

namespace kq::production {

namespace {

bool hasField(std::span<const FieldDefinition> fields, std::string_view name, FieldKind kind) {
    return std::any_of(fields.begin(), fields.end(),
                       [&](const FieldDefinition& field) { return field.name == name && field.kind == kind; });
}

bool equalText(const RecordRow& row, std::string_view name, const std::optional<std::string>& wanted) {
    if (!wanted) return true;
    const std::string* value = row.text(name);
    return value != nullptr && *value == *wanted;
}

std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

std::string checkFilter(std::span<const FieldDefinition> fields, const RecordFilter& filter, const RecordColumns& columns) {
    const std::pair<bool, std::string_view> used[] = {
        {filter.moduleAddress.has_value(), columns.moduleAddress},
        {filter.sha256.has_value(), columns.sha256},
        {filter.station.has_value(), columns.station},
        {filter.result.has_value(), columns.result},
        {filter.since.has_value() || filter.until.has_value(), columns.started},
    };
    for (const auto& [isUsed, name] : used) {
        if (isUsed && !hasField(fields, name, FieldKind::Text))
            return "the records have no text field " + std::string(name) + " to ask about";
    }
    return "";
}

bool recordMatches(const RecordRow& row, const RecordFilter& filter, const RecordColumns& columns) {
    if (!equalText(row, columns.moduleAddress, filter.moduleAddress) || !equalText(row, columns.sha256, filter.sha256) ||
        !equalText(row, columns.station, filter.station) || !equalText(row, columns.result, filter.result))
        return false;
    if (filter.since || filter.until) {
        const std::string* started = row.text(columns.started);
        if (started == nullptr) return false;
        if (filter.since && *started < *filter.since) return false;
        if (filter.until && !(*started < *filter.until)) return false;
    }
    return true;
}

void sortNewestFirst(std::vector<RecordRow>& rows, const RecordColumns& columns) {
    std::stable_sort(rows.begin(), rows.end(), [&](const RecordRow& a, const RecordRow& b) {
        const std::string* startA = a.text(columns.started);
        const std::string* startB = b.text(columns.started);
        if ((startA == nullptr) != (startB == nullptr)) return startB == nullptr;
        if (startA != nullptr && *startA != *startB) return *startA > *startB;
        return a.runId > b.runId;
    });
}

std::vector<std::string> journalsOfFolder(const std::string& folder) {
    std::vector<std::string> journals;
    std::error_code error;
    const std::filesystem::path root = pathOf(folder.empty() ? std::string(".") : folder);
    const auto own = root / pathOf(std::string(JournalFileName));
    if (std::filesystem::is_regular_file(own, error)) journals.push_back(utf8Of(own));
    std::set<std::filesystem::path> inner;
    for (std::filesystem::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (it->is_directory(error)) inner.insert(it->path());
    }
    for (const auto& folderInside : inner) {
        const auto journal = folderInside / pathOf(std::string(JournalFileName));
        if (std::filesystem::is_regular_file(journal, error)) journals.push_back(utf8Of(journal));
    }
    return journals;
}

RecordQuery queryJournals(std::span<const std::string> journals, std::span<const FieldDefinition> fields,
                          const RecordFilter& filter, const RecordColumns& columns) {
    RecordQuery query;
    query.error = checkFilter(fields, filter, columns);
    if (!query.error.empty()) return query;
    std::unordered_set<std::string> seen;
    for (const std::string& journal : journals) {
        const JournalScan scan = scanJournal(journal, fields, 0, [&](const JournalEntry& entry) {
            if (recordMatches(entry.record, filter, columns) && seen.insert(entry.record.runId).second)
                query.rows.push_back(entry.record);
            return true;
        });
        if (scan.status == JournalScan::CannotRead) {
            query.error = journal + ": " + scan.reason;
            query.rows.clear();
            return query;
        }
        query.badLines += scan.badLines;
    }
    sortNewestFirst(query.rows, columns);
    if (filter.limit != 0 && query.rows.size() > filter.limit) query.rows.resize(filter.limit);
    query.ok = true;
    return query;
}

}  // namespace kq::production
