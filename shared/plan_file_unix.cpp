#include "plan_file.h"

#include "address_plan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr std::size_t CHUNK = 64 * 1024;

std::error_code LastError()
{
    return {errno, std::system_category()};
}

} // namespace

PlanFileBytes ReadPlanBytes(const std::filesystem::path& path)
{
    PlanFileBytes file;
    // Without O_NONBLOCK, opening a FIFO waits for a writer; the kind of file is then asked of
    // the descriptor itself, so that nothing can take the name's place in between.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        file.error = LastError();
        return file;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        file.error = LastError();
    } else if (!S_ISREG(status.st_mode)) {
        file.outcome = PlanFileBytes::Outcome::NotRegular;
    } else {
        // One byte past the largest plan tells a file too large, without reading any more of it.
        const std::size_t limit = MAX_PLAN_BYTES + 1;
        file.bytes.reserve(std::min(limit, static_cast<std::size_t>(status.st_size) + 1));
        file.outcome = PlanFileBytes::Outcome::Read;
        while (file.bytes.size() < limit) {
            // Into the room the file's size made, then a chunk at a time if it has grown since.
            const std::size_t at = file.bytes.size();
            const std::size_t room = file.bytes.capacity() - at;
            file.bytes.resize(at + std::min(limit - at, room > 0 ? room : CHUNK));
            const ssize_t got = ::read(descriptor, file.bytes.data() + at, file.bytes.size() - at);
            const int error = got < 0 ? errno : 0;
            file.bytes.resize(at + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
            if (error == EINTR)
                continue;
            if (error != 0) {
                file.outcome = PlanFileBytes::Outcome::Failed;
                file.error = std::error_code(error, std::system_category());
            }
            if (got <= 0)
                break;
        }
    }
    ::close(descriptor);
    if (file.outcome != PlanFileBytes::Outcome::Read)
        file.bytes.clear();
    return file;
}

std::filesystem::path CommandLinePath(const std::string& argument)
{
    return argument;
}
