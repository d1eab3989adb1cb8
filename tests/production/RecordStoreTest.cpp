// The record stores, SQLite on a temporary file and PostgreSQL on a server the test
// starts: serials in order and never reused (void ones included), a UID kept to one live
// record per job, results recorded once, the rules held by the database itself, and two
// stations on one database allocating from two threads at once without a serial issued
// twice.
#include "production/RecordStore.h"
#include "tests/production/PgServer.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <filesystem>
#include <set>
#include <thread>

namespace {

using namespace vorex::production;

// Runs one statement on the database past the store; whether the database took it.
bool RawExec(const std::string& location, const std::string& sql) {
    if (location.rfind("postgresql://", 0) == 0) {
        std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(location.c_str()), PQfinish);
        std::unique_ptr<PGresult, void (*)(PGresult*)> result(PQexec(conn.get(), sql.c_str()),
                                                              PQclear);
        return PQresultStatus(result.get()) == PGRES_COMMAND_OK;
    }
    sqlite3* raw = nullptr;
    sqlite3_open(location.c_str(), &raw);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    return sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// One server for the whole program, started by the first test that needs it.
vtest::PgServer& Server() {
    static vtest::PgServer server;
    return server;
}

// The parameter: "sqlite" or "postgresql".
class StoreTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        char templ[] = "/tmp/vorex-store-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        folder_ = templ;
        location_ = folder_ + "/records/production.sqlite";
        if (GetParam() == "postgresql") {
            if (Server().Missing())
                GTEST_SKIP() << Server().Error();
            ASSERT_EQ(Server().Error(), "");
            location_ = Server().NewDatabase();
        }
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // A station's connection to the test's database.
    std::unique_ptr<RecordStore> Open() { return OpenStore(location_); }

    std::string folder_;
    std::string location_;
    const SerialFormat format_{"VX-", 4, 100, 10};
};

INSTANTIATE_TEST_SUITE_P(Stores, StoreTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

TEST_P(StoreTest, SerialsFollowTheFormatAndVoidOnesAreNeverReused) {
    auto opened = Open();
    RecordStore& store = *opened;
    store.RegisterJob("job", format_);
    Allocation a = store.Allocate("job", "st1", "04AA");
    Allocation b = store.Allocate("job", "st1", "04BB");
    ASSERT_EQ(a.status, Allocation::Status::Ok);
    EXPECT_EQ(a.serial, 100);
    EXPECT_EQ(b.serial, 110);
    store.Finish(a.id, Result::Passed, "", 120);
    store.Finish(b.id, Result::Void, "page 6 not written", 80);
    // The void serial stays void; the tag may come again and gets a new serial.
    Allocation c = store.Allocate("job", "st1", "04BB");
    ASSERT_EQ(c.status, Allocation::Status::Ok);
    EXPECT_EQ(c.serial, 120);

    std::vector<Record> records = store.Records("job");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].result, Result::Passed);
    EXPECT_EQ(records[0].uid, "04AA");
    EXPECT_EQ(records[0].station, "st1");
    EXPECT_EQ(records[0].durationMs, 120);
    EXPECT_EQ(records[1].result, Result::Void);
    EXPECT_EQ(records[1].error, "page 6 not written");
    EXPECT_EQ(records[2].result, Result::Pending);
    EXPECT_EQ(records[0].time.size(), 24u); // 2026-12-11T03:24:20.123Z

    // Another job counts on its own.
    store.RegisterJob("other", {"", 2, 1, 1});
    EXPECT_EQ(store.Allocate("other", "st1", "04AA").serial, 1);
}

TEST_P(StoreTest, UidWithALiveRecordIsRefused) {
    auto opened = Open();
    RecordStore& store = *opened;
    store.RegisterJob("job", format_);
    Allocation a = store.Allocate("job", "st1", "04AA");
    EXPECT_TRUE(store.UidRecorded("job", "04AA"));
    EXPECT_EQ(store.Allocate("job", "st2", "04AA").status, Allocation::Status::UidRecorded);
    store.Finish(a.id, Result::Passed, "", 1);
    EXPECT_EQ(store.Allocate("job", "st2", "04AA").status, Allocation::Status::UidRecorded);
    EXPECT_FALSE(store.UidRecorded("job", "04BB"));
    // The refused tag cost no serial.
    EXPECT_EQ(store.Allocate("job", "st2", "04BB").serial, 110);
}

TEST_P(StoreTest, RefusesCallsThatBreakItsRules) {
    auto opened = Open();
    RecordStore& store = *opened;
    store.RegisterJob("job", format_);
    store.RegisterJob("job", format_); // the same format again is fine
    EXPECT_THROW(store.RegisterJob("job", {"VX-", 4, 100, 1}), StoreError);
    EXPECT_THROW(store.Allocate("unknown", "st1", "04AA"), StoreError);
    Allocation a = store.Allocate("job", "st1", "04AA");
    EXPECT_THROW(store.Finish(a.id, Result::Void, "", 1), StoreError);
    EXPECT_THROW(store.Finish(a.id, Result::Pending, "", 1), StoreError);
    store.Finish(a.id, Result::Void, "verify failed", 1);
    EXPECT_THROW(store.Finish(a.id, Result::Passed, "", 1), StoreError);
    EXPECT_THROW(store.Finish(9999, Result::Passed, "", 1), StoreError);
}

TEST_P(StoreTest, LastSerialOfTheWidthEndsTheJob) {
    auto opened = Open();
    RecordStore& store = *opened;
    store.RegisterJob("job", {"", 1, 7, 1});
    EXPECT_EQ(store.Allocate("job", "st1", "01").serial, 7);
    EXPECT_EQ(store.Allocate("job", "st1", "02").serial, 8);
    EXPECT_EQ(store.Allocate("job", "st1", "03").serial, 9);
    EXPECT_EQ(store.Allocate("job", "st1", "04").status, Allocation::Status::Exhausted);
}

// The uniqueness rules hold for any writer of the database, not only for this program.
TEST_P(StoreTest, DatabaseEnforcesUniqueness) {
    {
        auto opened = Open();
        opened->RegisterJob("job", format_);
        opened->Allocate("job", "st1", "04AA");
    }
    struct Case {
        const char* sql;
    } cases[] = {
        {"INSERT INTO production_records (job, serial, uid, station, result, time)"
         " VALUES ('job', 100, '04CC', 'x', 'pending', 't')"},
        {"INSERT INTO production_records (job, serial, uid, station, result, time)"
         " VALUES ('job', 500, '04AA', 'x', 'passed', 't')"},
        {"INSERT INTO production_records (job, serial, uid, station, result, time)"
         " VALUES ('job', 510, '04DD', 'x', 'void', 't')"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(RawExec(location_, c.sql)) << c.sql;
    EXPECT_TRUE(RawExec(location_,
                        "INSERT INTO production_records (job, serial, uid, station,"
                        " result, time) VALUES ('job', 520, '04EE', 'x', 'pending', 't')"));
}

TEST_P(StoreTest, TwoStationsNeverShareASerial) {
    auto station1 = Open();
    auto station2 = Open();
    RecordStore& first = *station1;
    RecordStore& second = *station2;
    first.RegisterJob("job", {"", 9, 1, 1});
    second.RegisterJob("job", {"", 9, 1, 1});
    constexpr int kPerStation = 200;
    std::vector<int64_t> serials[2];
    auto run = [&](RecordStore& store, int station) {
        for (int i = 0; i < kPerStation; ++i) {
            std::string uid = std::to_string(station) + "-" + std::to_string(i);
            Allocation a = store.Allocate("job", "st" + std::to_string(station), uid);
            ASSERT_EQ(a.status, Allocation::Status::Ok);
            store.Finish(a.id, i % 7 == 0 ? Result::Void : Result::Passed,
                         i % 7 == 0 ? "verify failed" : "", 1);
            serials[station].push_back(a.serial);
        }
    };
    std::thread one(run, std::ref(first), 0);
    std::thread two(run, std::ref(second), 1);
    one.join();
    two.join();
    std::set<int64_t> all(serials[0].begin(), serials[0].end());
    all.insert(serials[1].begin(), serials[1].end());
    EXPECT_EQ(all.size(), 2u * kPerStation);
    EXPECT_EQ(*all.rbegin(), 2 * kPerStation); // no gaps either
    EXPECT_EQ(first.Records("job").size(), 2u * kPerStation);
}

TEST(RecordStoreLocation, DefaultDatabaseIsInTheUsersDataFolder) {
    struct Case {
        const char* xdg;
        const char* home;
        const char* expected;
    } cases[] = {
        {"/data", "/home/op", "/data/Nvk Applikationen/VorexProgrammer/production.sqlite"},
        {nullptr, "/home/op/",
         "/home/op/.local/share/Nvk Applikationen/VorexProgrammer/production.sqlite"},
        {"relative", "/home/op",
         "/home/op/.local/share/Nvk Applikationen/VorexProgrammer/production.sqlite"},
        {nullptr, nullptr, ""},
        {"", "relative", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DefaultDatabasePath(c.xdg, c.home), c.expected);
}

TEST(RecordStoreLocation, UnopenablePlaceIsAStoreError) {
    EXPECT_THROW(OpenStore("/proc/vorex/records.sqlite"), StoreError);
    EXPECT_THROW(OpenStore("/dev/null/x.sqlite"), StoreError);
}

} // namespace

namespace {

// The database goes away between two tags and comes back: the store reports the loss
// instead of a serial, then carries on from the last serial issued.
TEST(PgStore, ServerRestartLosesNoSerial) {
    if (Server().Missing())
        GTEST_SKIP() << Server().Error();
    ASSERT_EQ(Server().Error(), "");
    auto store = OpenStore(Server().NewDatabase());
    store->RegisterJob("job", {"", 6, 1, 1});
    Allocation a = store->Allocate("job", "st1", "04AA");
    ASSERT_TRUE(Server().Stop());
    EXPECT_THROW(store->Allocate("job", "st1", "04BB"), StoreError);
    ASSERT_TRUE(Server().Start());
    store->Finish(a.id, Result::Passed, "", 5);
    Allocation b = store->Allocate("job", "st1", "04BB");
    ASSERT_EQ(b.status, Allocation::Status::Ok);
    EXPECT_EQ(b.serial, 2);
    EXPECT_EQ(store->Records("job").size(), 2u);
}

TEST(PgStore, UnreachableServerIsAStoreError) {
    try {
        OpenStore("postgresql:///db?host=/nonexistent-vorex&connect_timeout=2");
        FAIL() << "no error";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot connect"), std::string::npos) << e.what();
    }
}

} // namespace
