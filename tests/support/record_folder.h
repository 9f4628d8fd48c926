// A record folder of a test's own, removed with its content afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "production/records_journal.h"
#include "support/fresh_folder.h"
#include "support/utf8_path.h"

namespace kq::test {

struct RecordFolder {
    std::filesystem::path path = makeFreshFolder("kq-records-");
    RecordFolder() = default;
    RecordFolder(const RecordFolder&) = delete;
    RecordFolder& operator=(const RecordFolder&) = delete;
    ~RecordFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string folder() const { return utf8String(path); }
    std::string journal() const { return production::journalPath(folder()); }
    // Replaces the journal's bytes with these.
    void writeJournal(const std::string& bytes) const {
        std::ofstream(utf8Path(journal()), std::ios::binary) << bytes;
    }
};

}  // namespace kq::test
