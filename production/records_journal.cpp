#include "production/records_journal.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/new_file.h"
#include "production/records_journal_file.h"
#include "production/run_id.h"

namespace kq::production {

namespace {

constexpr size_t ReadChunkBytes = 64 * 1024;

}  // namespace

std::string journalPath(const std::string& folder) {
    if (folder.empty()) return std::string(JournalFileName);
    const char last = folder.back();
    return folder + (last == '/' || last == '\\' ? "" : "/") + std::string(JournalFileName);
}

RecordsJournal::RecordsJournal(std::string folder) : folder_(std::move(folder)), path_(journalPath(folder_)) {}

JournalAppend RecordsJournal::append(std::string_view jsonLine) {
    JournalAppend result;
    if (jsonLine.find('\n') != std::string_view::npos || jsonLine.find('\r') != std::string_view::npos) {
        result.reason = "a record must be one line";
        return result;
    }
    if (jsonLine.size() + 1 > MaxJournalLineBytes) {
        result.reason = "the record is longer than a journal line may be";
        return result;
    }
    if (!recordFromJsonLine({}, jsonLine)) {
        result.reason = "not a record: a JSON object with a run_id is needed";
        return result;
    }
    std::string line(jsonLine);
    line += '\n';
    const std::lock_guard<std::mutex> hold(mutex_);
    if (!folder_.empty() && !makeFolders(folder_, result.reason)) return result;
    const JournalFileAppend written = appendToJournalFile(path_, line);
    if (!written.ok) {
        result.reason = written.reason;
        return result;
    }
    result.ok = true;
    result.offset = written.offset;
    result.end = written.offset + line.size();
    return result;
}

JournalScan scanJournal(const std::string& path, std::span<const FieldDefinition> fields, uint64_t from,
                        const std::function<bool(const JournalEntry&)>& visit) {
    JournalScan scan;
    scan.end = from;
    JournalFileOpen opened = openJournalAt(path, from);
    if (!opened.file) {
        scan.status = opened.missing ? JournalScan::Missing : JournalScan::CannotRead;
        scan.reason = opened.reason;
        return scan;
    }
    scan.status = JournalScan::Read;
    std::string line;          // the line being gathered, while it is short enough to be a record
    uint64_t lineBytes = 0;    // its length so far, beyond what line holds when it is too long
    uint64_t lineStart = from;
    bool lastWasBad = false;   // the last whole line was not a record
    std::vector<char> chunk(ReadChunkBytes);
    for (;;) {
        const size_t n = std::fread(chunk.data(), 1, chunk.size(), opened.file.get());
        if (n == 0) {
            if (std::ferror(opened.file.get())) {
                scan.status = JournalScan::CannotRead;
                scan.reason = "reading the journal failed";
                return scan;
            }
            break;
        }
        for (size_t at = 0; at < n;) {
            const char* begin = chunk.data() + at;
            const auto* found = static_cast<const char*>(std::memchr(begin, '\n', n - at));
            const size_t take = found ? static_cast<size_t>(found - begin) : n - at;
            lineBytes += take;
            if (lineBytes < MaxJournalLineBytes) line.append(begin, take);
            at += take;
            if (!found) break;
            ++at;  // the line break
            const uint64_t lineEnd = lineStart + lineBytes + 1;
            std::optional<RecordRow> record;
            if (lineBytes < MaxJournalLineBytes) record = recordFromJsonLine(fields, line);
            const uint64_t start = lineStart;
            line.clear();
            lineBytes = 0;
            lineStart = lineEnd;
            if (!record) {
                ++scan.badLines;
                scan.badEnd = lineEnd;
                scan.end = lineEnd;
                lastWasBad = true;
                continue;
            }
            lastWasBad = false;
            if (!visit(JournalEntry{start, lineEnd, std::move(*record)})) return scan;
            ++scan.records;
            scan.end = lineEnd;
        }
    }
    // What a power cut leaves: a last line without its break, or one that does not parse.
    if (lineBytes > 0) {
        scan.tornTail = true;
    } else if (lastWasBad) {
        scan.tornTail = true;
        --scan.badLines;
    }
    return scan;
}

std::string runIdOfLineAt(const std::string& path, uint64_t start, uint64_t end) {
    if (end <= start || end - start > MaxJournalLineBytes) return "";
    JournalFileOpen opened = openJournalAt(path, start);
    if (!opened.file) return "";
    std::string line(static_cast<size_t>(end - start), '\0');
    if (std::fread(line.data(), 1, line.size(), opened.file.get()) != line.size() || line.back() != '\n') return "";
    line.pop_back();
    if (line.find('\n') != std::string::npos) return "";
    const auto record = recordFromJsonLine({}, line);
    return record ? record->runId : "";
}

}  // namespace kq::production
