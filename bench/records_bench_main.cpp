// The records database under load (bench/records_bench.sh drives it):
//   kq_records_bench schema CONNECTION    make the tables through the store, as a station does
//   kq_records_bench measure CONNECTION MODULES
//     "what is on module X" for random modules through the store's query, and
//     single inserts, each in its own transaction, through the store's insert;
//     prints median, 95th percentile and worst of each, and the whole road of
//     a fresh program that only asks (connect, query).
// Exit status: 0 figures printed, 1 a database error, 2 usage.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "production/record_store.h"
#include "production/run_id.h"
#include "support/record_sample_fields.h"

namespace {

using namespace kq::production;
using Clock = std::chrono::steady_clock;

constexpr int QueryRounds = 200;
constexpr int InsertRounds = 200;
constexpr int FreshRounds = 10;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double median, p95, worst;
};

Figures figuresOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 95 / 100], times.back()};
}

void print(const char* what, const Figures& f) {
    std::printf("%-44s median %7.2f ms   p95 %7.2f ms   worst %7.2f ms\n", what, f.median, f.p95, f.worst);
}

std::string moduleAddress(long n) {
    char text[16];
    std::snprintf(text, sizeof text, "%012ld", n);
    return text;
}

int measure(const ExpandedConnection& connection, long modules) {
    RecordStore store(kq::test::sampleFields());
    if (DbError error = store.open(connection)) {
        std::fprintf(stderr, "%s\n", error.text().c_str());
        return 1;
    }
    std::mt19937 random(12345);
    std::uniform_int_distribution<long> anyModule(1, modules);
    std::vector<double> queries;
    size_t rowsSeen = 0;
    for (int i = 0; i < QueryRounds; ++i) {
        RecordFilter filter;
        filter.moduleAddress = moduleAddress(anyModule(random));
        const auto start = Clock::now();
        const RecordQuery answer = store.query(filter);
        queries.push_back(msSince(start));
        if (!answer.ok) {
            std::fprintf(stderr, "%s\n", answer.error.c_str());
            return 1;
        }
        rowsSeen += answer.rows.size();
    }
    std::vector<double> fresh;
    for (int i = 0; i < FreshRounds; ++i) {
        const auto start = Clock::now();
        StoreOptions asking;
        asking.makeSchema = false;  // as a program that only asks does
        RecordStore another(kq::test::sampleFields(), asking);
        RecordFilter filter;
        filter.moduleAddress = moduleAddress(anyModule(random));
        if (DbError error = another.open(connection)) {
            std::fprintf(stderr, "%s\n", error.text().c_str());
            return 1;
        }
        if (!another.query(filter).ok) return 1;
        fresh.push_back(msSince(start));
    }
    std::vector<double> inserts;
    for (int i = 0; i < InsertRounds; ++i) {
        const auto id = newRunId();
        if (!id) return 1;
        const RecordRow row = kq::test::sampleRecord(*id, "2027-01-01 00:00:00.000", moduleAddress(modules + 1 + i));
        const auto start = Clock::now();
        const StoreInsert inserted = store.insert(row);
        inserts.push_back(msSince(start));
        if (inserted.outcome != StoreInsert::Inserted) {
            std::fprintf(stderr, "%s\n", inserted.error.text().c_str());
            return 1;
        }
    }
    const Figures query = figuresOf(queries), path = figuresOf(fresh), insert = figuresOf(inserts);
    std::printf("rows per module answer: %.1f on average\n", static_cast<double>(rowsSeen) / QueryRounds);
    print("what is on module X (query, open store)", query);
    print("fresh program: connect + query", path);
    print("one insert, its own transaction", insert);
    std::printf("target query < 50 ms: %s (worst %.2f ms)\n", query.worst < 50 ? "held" : "MISSED", query.worst);
    std::printf("target insert < 20 ms median: %s (%.2f ms)\n", insert.median < 20 ? "held" : "MISSED", insert.median);
    return query.worst < 50 && insert.median < 20 ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kq_records_bench schema|measure CONNECTION [MODULES]\n");
        return 2;
    }
    const std::string command = argv[1];
    const ExpandedConnection connection = expandConnectionString(argv[2]);
    if (!connection.ok) {
        std::fprintf(stderr, "%s\n", connection.error.c_str());
        return 2;
    }
    if (command == "schema") {
        RecordStore store(kq::test::sampleFields());
        if (DbError error = store.open(connection)) {
            std::fprintf(stderr, "%s\n", error.text().c_str());
            return 1;
        }
        return 0;
    }
    if (command == "measure" && argc == 4) return measure(connection, std::stol(argv[3]));
    std::fprintf(stderr, "usage: kq_records_bench schema|measure CONNECTION [MODULES]\n");
    return 2;
}
