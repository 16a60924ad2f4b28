#include "engine/recycle_bin.h"

#include "engine/directory_listing.h"

#include <windows.h>
#include <shellapi.h>

#include <array>

bool send_to_recycle_bin(const std::string& path) {
    // The shell expands * and ? as wildcards: "???.txt" would recycle every
    // short .txt file in the directory, however young.
    if (path.empty() || !fits_path_buffer(path) || !is_faithful_path(path)) return false;
    // The source is a list of paths ended by an empty one: two NULs at the end.
    std::array<char, PATH_BUFFER_SIZE + 2> source{};
    path.copy(source.data(), path.size());
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.data();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;  // 0x0454
    return SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
}
