#include "production/Station.h"

#include "production/TagImage.h"
#include "production/TagWriter.h"

#include <chrono>
#include <set>
#include <thread>

namespace vorex::production {

namespace {

using SteadyClock = std::chrono::steady_clock;

int64_t MsSince(SteadyClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start)
        .count();
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

const char* KindName(TagReport::Kind kind) {
    switch (kind) {
    case TagReport::Kind::Passed:
        return "passed";
    case TagReport::Kind::Void:
        return "void";
    case TagReport::Kind::Refused:
        return "refused";
    }
    return "";
}

Station::Station(int handle, const Job& job, RecordStore& store, StationOptions options)
    : handle_(handle), job_(job), store_(store), options_(std::move(options)) {}

RunSummary Station::Run(const std::function<void(const TagReport&)>& report) {
    RunSummary summary;
    std::string error;
    std::unique_ptr<TagWriter> writer = MakeTagWriter(handle_, job_, error);
    if (!writer) {
        summary.end = RunSummary::End::Failed;
        summary.error = error;
        return summary;
    }
    const auto stop = [this] { return options_.stopRequested && options_.stopRequested(); };
    const auto stage = [this](const char* name) {
        if (options_.onStage)
            options_.onStage(name);
    };
    // Runs a step against the database; while it is out of reach, tries again until it
    // answers, a stop is requested or the wait is over.
    bool down = false;
    const auto withStore = [&](const std::function<void()>& step) {
        const SteadyClock::time_point since = SteadyClock::now();
        for (;;) {
            try {
                step();
                if (down && options_.onStore)
                    options_.onStore("");
                down = false;
                return true;
            } catch (const StoreError& e) {
                if (!down && options_.onStore)
                    options_.onStore(e.what());
                down = true;
                if (stop() || MsSince(since) >= options_.storeWaitMs) {
                    summary.end = RunSummary::End::StoreDown;
                    summary.error = e.what();
                    return false;
                }
                Pause(options_.storeRetryMs);
            }
        }
    };

    const Journal journal(options_.journalPath);
    try {
        // Results kept from an earlier run go to the database before the first tag.
        if (!withStore([&] {
                store_.RegisterJob(job_.name, job_.serial);
                journal.Flush(store_, job_.name);
            }))
            return summary;

        std::set<std::string> handled;
        SteadyClock::time_point lastTag = SteadyClock::now();
        for (;;) {
            if (options_.count > 0 && summary.passed >= options_.count) {
                summary.end = RunSummary::End::Count;
                break;
            }
            if (stop()) {
                summary.end = RunSummary::End::Stopped;
                break;
            }
            bool readerGone = false;
            std::string uidText;
            const auto uid = writer->Find(
                [&](const std::string& text) {
                    uidText = text;
                    return handled.count(text) == 0;
                },
                readerGone);
            if (readerGone) {
                summary.end = RunSummary::End::ReaderGone;
                summary.error = "the reader does not answer (" + LastErrorText(handle_) + ")";
                break;
            }
            if (!uid) {
                if (options_.idleMs > 0 && MsSince(lastTag) >= options_.idleMs) {
                    summary.end = RunSummary::End::Idle;
                    break;
                }
                Pause(options_.pollMs);
                continue;
            }
            handled.insert(uidText);
            const SteadyClock::time_point start = SteadyClock::now();
            TagReport r;
            r.uid = uidText;
            const auto refuse = [&r](std::string why) {
                r.kind = TagReport::Kind::Refused;
                r.error = std::move(why);
            };
            bool recorded = false;
            if (!withStore([&] { recorded = store_.UidRecorded(job_.name, uidText); }))
                break;
            const std::string date = TodayUtc();
            std::string why;
            bool keptInJournal = false;
            if (recorded) {
                refuse("the job has a record of this UID already");
            } else if (why = writer->Identify(); !why.empty()) {
                refuse(why);
            } else if (TagImage probe = BuildImage(job_, writer->BoundChip(),
                                                   TagValues{job_.serial.start, *uid, date});
                       !probe.ok) {
                refuse(std::string(writer->BoundChip().name) + ": " + probe.path + ": " +
                       probe.error);
            } else if (why = writer->CheckWritable(probe); !why.empty()) {
                refuse(why);
            } else {
                Allocation a;
                if (!withStore([&] { a = store_.Allocate(job_.name, options_.station, uidText); }))
                    break;
                if (a.status == Allocation::Status::Exhausted) {
                    summary.end = RunSummary::End::Exhausted;
                    summary.error = "the job has no serial left in " +
                                    std::to_string(job_.serial.width) + " digits";
                    break;
                }
                if (a.status == Allocation::Status::UidRecorded) {
                    refuse("the job has a record of this UID already");
                } else {
                    r.serial = a.serial;
                    r.serialText = FormatSerial(job_.serial, a.serial).text;
                    const TagImage image =
                        BuildImage(job_, writer->BoundChip(), TagValues{a.serial, *uid, date});
                    if (!image.ok)
                        why = image.path + ": " + image.error;
                    else if (why = writer->Write(image); why.empty()) {
                        stage("written");
                        if (why = writer->Verify(image); why.empty()) {
                            stage("verified");
                            if (why = writer->Protect(image); why.empty())
                                stage("protected");
                        }
                    }
                    r.kind = why.empty() ? TagReport::Kind::Passed : TagReport::Kind::Void;
                    r.error = why;
                    r.durationMs = MsSince(start);
                    const Result result = why.empty() ? Result::Passed : Result::Void;
                    try {
                        store_.Finish(a.id, result, why, r.durationMs);
                    } catch (const StoreError& e) {
                        // Kept until the database has it; no further tag before then.
                        std::vector<KeptResult> kept = journal.Load();
                        kept.push_back({a.id, result, why, r.durationMs, uidText, a.serial});
                        journal.Save(kept);
                        keptInJournal = true;
                        if (!down && options_.onStore)
                            options_.onStore(e.what());
                        down = true;
                    }
                }
            }
            (r.kind == TagReport::Kind::Passed ? summary.passed
             : r.kind == TagReport::Kind::Void ? summary.voided
                                               : summary.refused)++;
            if (r.durationMs == 0)
                r.durationMs = MsSince(start);
            if (report)
                report(r);
            if (keptInJournal && !withStore([&] { journal.Flush(store_, job_.name); }))
                break;
            if (options_.count > 0 && summary.passed >= options_.count)
                continue; // done: the last tag may stay where it is
            while (!stop() && writer->StillThere())
                Pause(options_.pollMs);
            lastTag = SteadyClock::now();
        }
    } catch (const JournalError& e) {
        summary.end = RunSummary::End::Failed;
        summary.error = e.what();
    }
    return summary;
}

} // namespace vorex::production
