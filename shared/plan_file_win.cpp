#include "plan_file.h"

#include "address_plan.h"
#include "ansi_text.h"

#include <windows.h>

#include <algorithm>

namespace {

constexpr std::size_t CHUNK = 64 * 1024;

std::error_code LastError()
{
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

} // namespace

PlanFileBytes ReadPlanBytes(const std::filesystem::path& path)
{
    PlanFileBytes file;
    // Opening a pipe or a device does not wait here (Wine opens a Unix FIFO without blocking
    // too); what the handle is decides before anything is read from it.
    const HANDLE handle =
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        file.error = LastError();
        return file;
    }
    LARGE_INTEGER size{};
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        file.outcome = PlanFileBytes::Outcome::NotRegular;
    } else if (!::GetFileSizeEx(handle, &size)) {
        file.error = LastError();
    } else {
        // One byte past the largest plan tells a file too large, without reading any more of it.
        const std::size_t limit = MAX_PLAN_BYTES + 1;
        file.bytes.reserve(
            static_cast<std::size_t>(std::min<LONGLONG>(static_cast<LONGLONG>(limit),
                                                        size.QuadPart + 1)));
        file.outcome = PlanFileBytes::Outcome::Read;
        while (file.bytes.size() < limit) {
            // Into the room the file's size made, then a chunk at a time if it has grown since.
            const std::size_t at = file.bytes.size();
            const std::size_t room = file.bytes.capacity() - at;
            file.bytes.resize(at + std::min(limit - at, room > 0 ? room : CHUNK));
            DWORD got = 0;
            if (!::ReadFile(handle, file.bytes.data() + at,
                            static_cast<DWORD>(file.bytes.size() - at), &got, nullptr)) {
                file.outcome = PlanFileBytes::Outcome::Failed;
                file.error = LastError();
            }
            file.bytes.resize(at + got);
            if (file.outcome != PlanFileBytes::Outcome::Read || got == 0)
                break;
        }
    }
    ::CloseHandle(handle);
    if (file.outcome != PlanFileBytes::Outcome::Read)
        file.bytes.clear();
    return file;
}

std::filesystem::path CommandLinePath(const std::string& argument)
{
    const std::u16string wide = DecodeCodePage(argument);
    return std::wstring(wide.begin(), wide.end());
}
