// Reading a plan's file: only a regular file is read, at once and never further than tells a file
// too large; anything else is refused without waiting on it. A window has it read and parsed off
// its own thread.
#include "address_plan.h"
#include "plan_file.h"
#include "plan_loader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace fs = std::filesystem;

namespace {

using Outcome = PlanFileBytes::Outcome;

#ifdef _WIN32
constexpr int NO_SUCH_FILE = ERROR_FILE_NOT_FOUND;
// Windows opens no folder as a file.
constexpr Outcome FOLDER = Outcome::Failed;
constexpr int FOLDER_ERROR = ERROR_ACCESS_DENIED;
const fs::path NULL_DEVICE = L"NUL";

int ProcessId()
{
    return static_cast<int>(::GetCurrentProcessId());
}
#else
constexpr int NO_SUCH_FILE = ENOENT;
constexpr Outcome FOLDER = Outcome::NotRegular;
constexpr int FOLDER_ERROR = 0;
const fs::path NULL_DEVICE = "/dev/null";

int ProcessId()
{
    return ::getpid();
}
#endif

class Folder
{
public:
    Folder() : path_(fs::temp_directory_path() / ("test_plan_file." + std::to_string(ProcessId())))
    {
        fs::remove_all(path_);
        fs::create_directory(path_);
    }
    ~Folder() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

} // namespace

TEST(PlanFile, OnlyARegularFileIsReadAndNoFurtherThanTellsOneTooLarge)
{
    const Folder folder;
    const std::string plan = "mac\r\n00-11-22-33-44-55\r\n";
    const struct {
        const char* what;
        std::function<fs::path()> make;
        Outcome outcome;
        std::size_t size;
        int error;
    } cases[] = {
        {"a plan, read whole",
         [&] {
             std::ofstream(folder.Path() / "plan.csv", std::ios::binary) << plan;
             return folder.Path() / "plan.csv";
         },
         Outcome::Read, plan.size(), 0},
        {"a file too large, read one byte past the largest plan",
         [&] {
             std::ofstream(folder.Path() / "huge.csv").close();
             fs::resize_file(folder.Path() / "huge.csv", 2 * MAX_PLAN_BYTES);
             return folder.Path() / "huge.csv";
         },
         Outcome::Read, MAX_PLAN_BYTES + 1, 0},
        {"no such file", [&] { return folder.Path() / "none.csv"; }, Outcome::Failed, 0,
         NO_SUCH_FILE},
        {"a folder", [&] { return folder.Path(); }, FOLDER, 0, FOLDER_ERROR},
        {"the null device", [] { return NULL_DEVICE; }, Outcome::NotRegular, 0, 0},
#ifndef _WIN32
        {"a FIFO nobody writes",
         [&] {
             EXPECT_EQ(0, ::mkfifo((folder.Path() / "fifo").c_str(), 0600));
             return folder.Path() / "fifo";
         },
         Outcome::NotRegular, 0, 0},
#endif
    };
#ifndef _WIN32
    // A read that waits on the FIFO ends the test by the alarm's signal instead of hanging it.
    ::alarm(20);
#endif
    for (const auto& c : cases) {
        const PlanFileBytes file = ReadPlanBytes(c.make());
        EXPECT_EQ(c.outcome, file.outcome) << c.what;
        EXPECT_EQ(c.size, file.bytes.size()) << c.what;
        EXPECT_EQ(c.error, file.error.value()) << c.what;
    }
#ifndef _WIN32
    ::alarm(0);
#endif
    EXPECT_EQ(plan, ReadPlanBytes(folder.Path() / "plan.csv").bytes);
    EXPECT_EQ(PlanError::TooLarge,
              ReadAddressPlan(ReadPlanBytes(folder.Path() / "huge.csv").bytes).error);
}

TEST(PlanFile, APlanIsLoadedOffTheCallersThreadOneAtATime)
{
    const Folder folder;
    std::ofstream(folder.Path() / "plan.csv", std::ios::binary) << "mac\n001122334455\nbad\n";
    std::mutex mutex;
    std::condition_variable woken;
    int wakes = 0;
    CPlanLoader loader([&] {
        std::lock_guard lock(mutex);
        ++wakes;
        woken.notify_all();
        return true;
    });
    const auto waitForWake = [&](int count) {
        std::unique_lock lock(mutex);
        return woken.wait_for(lock, std::chrono::seconds(30), [&] { return wakes == count; });
    };
    ASSERT_TRUE(loader.Load(folder.Path() / "plan.csv", u"plan.csv"));
    EXPECT_FALSE(loader.Load(folder.Path() / "other.csv", u"other.csv"))
        << "one at a time, until the outcome is taken";
    ASSERT_TRUE(waitForWake(1));
    std::optional<LoadedPlan> loaded = loader.Take();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(u"plan.csv", loaded->name);
    EXPECT_EQ(Outcome::Read, loaded->outcome);
    EXPECT_EQ(1u, loaded->reading.plan.Devices().size());
    EXPECT_EQ(1u, loaded->reading.skipped);
    EXPECT_FALSE(loader.Take()) << "taken once";

    ASSERT_TRUE(loader.Load(folder.Path() / "none.csv", u"none.csv"));
    ASSERT_TRUE(waitForWake(2));
    loaded = loader.Take();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(Outcome::Failed, loaded->outcome);
    EXPECT_EQ(NO_SUCH_FILE, loaded->error.value());
}
