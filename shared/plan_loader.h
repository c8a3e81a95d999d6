// An address plan read and parsed on a thread of its own, so that a window stays responsive
// however large or slow the file is; the outcome waits for the window's thread to take it.
#pragma once

#include "address_plan.h"
#include "plan_file.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

struct LoadedPlan {
    // The file's name as the window shows it.
    std::u16string name;
    // Read: the file was read, and reading says what it holds.
    PlanFileBytes::Outcome outcome = PlanFileBytes::Outcome::Failed;
    std::error_code error;
    PlanReading reading;
};

class CPlanLoader
{
public:
    // wake is called on the loading thread once an outcome waits. It must return at once: it
    // only tells the window to call Take, and says whether the window was told; one that was not
    // is tried again a few times.
    explicit CPlanLoader(std::function<bool()> wake);
    // Waits for a load under way, which the reader's limits keep short.
    ~CPlanLoader();
    CPlanLoader(const CPlanLoader&) = delete;
    CPlanLoader& operator=(const CPlanLoader&) = delete;

    // Starts loading the file, unless a load is under way or its outcome not yet taken: false
    // then, and nothing is started.
    bool Load(std::filesystem::path path, std::u16string name);
    // The outcome, once it waits; taking it ends the load.
    std::optional<LoadedPlan> Take();

private:
    static LoadedPlan LoadNow(const std::filesystem::path& path, std::u16string name);
    // Hands the outcome over and wakes the window.
    void Finish(LoadedPlan loaded);

    const std::function<bool()> wake_;
    std::mutex mutex_;
    bool busy_ = false;
    std::optional<LoadedPlan> loaded_;
    std::thread thread_;
};
