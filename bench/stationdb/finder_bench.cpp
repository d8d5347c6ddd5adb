// The station finder's heaviest path on the shipped database: search the country with the most
// stations, read every station found (to fill the rows), then narrow the result to that
// country's most common state. The floor is one SELECT, on the same keyed file in the same run,
// that returns the same records and tells which of them are in the state.
//
// Goal: the finder path within 2x of the floor. Run build/bench-bin/stationdb_bench.
//
// The name search is measured the same way: one keystroke's search (the text typed so far, as
// the finder asks for it on every key) against one SELECT of the names that contain the text,
// ignoring letter case only, which is the least a search of the names costs. Goal: within 2x.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "stationdb/radiodatabase.h"
#include "stationdb/sqlite_util.h"

namespace velotune {
namespace {

QString g_path;     // a private copy of the shipped database
QString g_country;  // the country with the most stations
QString g_state;    // its most common state

bool PickCountryAndState() {
    CRadioDatabase db;
    if (db.OpenDatabase(g_path) != kDbOk)
        return false;
    NameList countries;
    db.GetCountries(countries);
    IdList largest;
    for (const QString& country : countries) {
        IdList ids;
        db.FindStationsByCountry(country, ids);
        if (ids.size() > largest.size()) {
            largest = ids;
            g_country = country;
        }
    }
    QHash<QString, int> perState;
    for (const std::int32_t id : largest) {
        CRadioSet s;
        db.GetStation(id, s);
        if (!s.m_State.isEmpty() && ++perState[s.m_State] > perState.value(g_state))
            g_state = s.m_State;
    }
    std::printf("country: %s (%lld stations), state: %s (%d stations)\n",
                g_country.toUtf8().constData(), static_cast<long long>(largest.size()),
                g_state.toUtf8().constData(), perState.value(g_state));
    return db.CloseDatabase() == kDbOk;
}

void FinderPath(benchmark::State& state) {
    CRadioDatabase db;
    if (db.OpenDatabase(g_path) != kDbOk) {
        state.SkipWithError("cannot open the database");
        return;
    }
    for (auto _ : state) {
        IdList ids;
        db.FindStationsByCountry(g_country, ids);
        QList<CRadioSet> rows;
        rows.reserve(ids.size());
        for (const std::int32_t id : ids) {
            CRadioSet station;
            db.GetStation(id, station);
            rows.append(std::move(station));
        }
        IdList inState;
        db.FilterStationsByState(ids, g_state, inState);
        benchmark::DoNotOptimize(rows.data());
        benchmark::DoNotOptimize(inState.data());
    }
    db.CloseDatabase();
}

void OneSelectFloor(benchmark::State& state) {
    sqlite3* db = nullptr;
    // Opened as the layer opens its connection: one thread, exclusive lock, so both sides read
    // from a warm page cache without the engine's per-call locking.
    stationdb_detail::OpenKeyed(g_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, &db);
    sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT " VELOTUNE_RADIO_COLUMNS ", State = ?2 COLLATE NOCASE"
                           " FROM Radio WHERE Country = ?1 COLLATE NOCASE"
                           " AND StreamFormat COLLATE NOCASE IN ('WMP', 'Real') ORDER BY RadioID",
                           -1, &stmt, nullptr) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    stationdb_detail::BindText(stmt, 1, g_country);
    stationdb_detail::BindText(stmt, 2, g_state);
    for (auto _ : state) {
        QList<CRadioSet> rows;
        IdList inState;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            CRadioSet station;
            stationdb_detail::ReadStationRow(stmt, station);
            if (sqlite3_column_int(stmt, 22))
                inState.append(station.m_RadioID);
            rows.append(std::move(station));
        }
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(rows.data());
        benchmark::DoNotOptimize(inState.data());
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

// The keystrokes of "radio f", each one's search as the finder makes it; the time is per keystroke.
constexpr const char* kTyped[] = {"r", "ra", "rad", "radi", "radio", "radio ", "radio f"};
constexpr int kKeystrokes = static_cast<int>(std::size(kTyped));

void NameKeystroke(benchmark::State& state) {
    CRadioDatabase db;
    if (db.OpenDatabase(g_path) != kDbOk) {
        state.SkipWithError("cannot open the database");
        return;
    }
    IdList warm;
    db.FindStationsByName(QStringLiteral("r"), warm);  // the first search reads the names
    std::vector<QString> typed;
    for (const char* text : kTyped)
        typed.push_back(QString::fromLatin1(text));
    for (auto _ : state) {
        for (const QString& text : typed) {
            IdList ids;
            db.FindStationsByName(text, ids);
            benchmark::DoNotOptimize(ids.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kKeystrokes);
    db.CloseDatabase();
}

void NameSelectFloor(benchmark::State& state) {
    sqlite3* db = nullptr;
    stationdb_detail::OpenKeyed(g_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, &db);
    sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT RadioID FROM Radio WHERE \"Station Name\" LIKE ?1"
                           " AND StreamFormat COLLATE NOCASE IN ('WMP', 'Real') ORDER BY RadioID",
                           -1, &stmt, nullptr) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    std::vector<QString> patterns;
    for (const char* text : kTyped)
        patterns.push_back(QLatin1Char('%') + QString::fromLatin1(text) + QLatin1Char('%'));
    for (auto _ : state) {
        for (const QString& pattern : patterns) {
            stationdb_detail::BindText(stmt, 1, pattern);
            IdList ids;
            while (sqlite3_step(stmt) == SQLITE_ROW)
                ids.append(sqlite3_column_int(stmt, 0));
            sqlite3_reset(stmt);
            benchmark::DoNotOptimize(ids.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kKeystrokes);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

// The first keystroke after the database opened also reads and folds every name once.
double FirstKeystrokeMs() {
    CRadioDatabase db;
    if (db.OpenDatabase(g_path) != kDbOk)
        return -1;
    const auto start = std::chrono::steady_clock::now();
    IdList ids;
    db.FindStationsByName(QStringLiteral("r"), ids);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    db.CloseDatabase();
    return took.count();
}

BENCHMARK(NameKeystroke)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(NameSelectFloor)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(FinderPath)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(OneSelectFloor)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly();

// Prints the usual table and keeps each benchmark's medians for the ratio.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double real = 0;
        double cpu = 0;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                medians[run.run_name.function_name] = {run.GetAdjustedRealTime(),
                                                       run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> medians;
};

}  // namespace
}  // namespace velotune

int main(int argc, char** argv) {
    using namespace velotune;
    QTemporaryDir dir;
    g_path = dir.filePath(QStringLiteral("velostn.dat"));
    if (!dir.isValid() || !QFile::copy(QStringLiteral(SHIPPED_DATABASE), g_path) ||
        !PickCountryAndState()) {
        std::fprintf(stderr, "cannot use %s\n", SHIPPED_DATABASE);
        return 1;
    }
    // Repetitions of the two benchmarks take turns, so that other work on the machine weighs on
    // both alike; the ratio is taken on CPU time, which such work disturbs least.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto path = reporter.medians["FinderPath"];
    const auto floor = reporter.medians["OneSelectFloor"];
    if (path.cpu > 0 && floor.cpu > 0) {
        const double ratio = path.cpu / floor.cpu;
        std::printf(
            "finder path %.0f us CPU (%.0f us wall), one-SELECT floor %.0f us CPU (%.0f us wall), "
            "ratio %.2f (goal <= 2.00): %s\n",
            path.cpu, path.real, floor.cpu, floor.real, ratio, ratio <= 2.0 ? "met" : "NOT met");
    }
    const auto name = reporter.medians["NameKeystroke"];
    const auto nameFloor = reporter.medians["NameSelectFloor"];
    if (name.cpu > 0 && nameFloor.cpu > 0) {
        const double ratio = name.cpu / nameFloor.cpu;
        std::printf(
            "name search %.0f us CPU per keystroke, one-SELECT floor %.0f us CPU, ratio %.2f "
            "(goal <= 2.00): %s; the first keystroke after opening %.1f ms\n",
            name.cpu / kKeystrokes, nameFloor.cpu / kKeystrokes, ratio,
            ratio <= 2.0 ? "met" : "NOT met", FirstKeystrokeMs());
    }
    return 0;
}
