#include "plan_loader.h"

#include <chrono>
#include <utility>

namespace {

// How often, and how far apart, a window that could not be woken is told again: its message
// queue may be full for a moment.
constexpr int WAKE_TRIES = 20;
constexpr auto WAKE_PAUSE = std::chrono::milliseconds(25);

} // namespace

CPlanLoader::CPlanLoader(std::function<bool()> wake)
    : wake_(std::move(wake))
{
}

CPlanLoader::~CPlanLoader()
{
    if (thread_.joinable())
        thread_.join();
}

bool CPlanLoader::Load(std::filesystem::path path, std::u16string name)
{
    {
        std::lock_guard lock(mutex_);
        if (busy_)
            return false;
        busy_ = true;
    }
    // The last load has handed its outcome over, so its thread is ending or has ended.
    if (thread_.joinable())
        thread_.join();
    try {
        thread_ = std::thread([this, path, name] { Finish(LoadNow(path, name)); });
    } catch (const std::system_error&) {
        // No thread to be had: the reader's limits keep a load on the caller's thread short too.
        Finish(LoadNow(path, std::move(name)));
    }
    return true;
}

LoadedPlan CPlanLoader::LoadNow(const std::filesystem::path& path, std::u16string name)
{
    LoadedPlan loaded;
    loaded.name = std::move(name);
    PlanFileBytes file = ReadPlanBytes(path);
    loaded.outcome = file.outcome;
    loaded.error = file.error;
    if (file.outcome == PlanFileBytes::Outcome::Read)
        loaded.reading = ReadAddressPlan(file.bytes);
    return loaded;
}

void CPlanLoader::Finish(LoadedPlan loaded)
{
    {
        std::lock_guard lock(mutex_);
        loaded_ = std::move(loaded);
    }
    for (int tries = 0; tries < WAKE_TRIES && !wake_(); ++tries)
        std::this_thread::sleep_for(WAKE_PAUSE);
}

std::optional<LoadedPlan> CPlanLoader::Take()
{
    std::lock_guard lock(mutex_);
    std::optional<LoadedPlan> loaded = std::exchange(loaded_, std::nullopt);
    if (loaded)
        busy_ = false;
    return loaded;
}
