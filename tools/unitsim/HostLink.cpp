#include "HostLink.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace unitsim {

namespace fs = std::filesystem;

bool PlaceLink(const std::string& linkPath, const std::string& target, std::string* error)
{
    const fs::path link(linkPath);
    std::error_code ec;
    if (link.has_parent_path())
        fs::create_directories(link.parent_path(), ec);
    const auto status = fs::symlink_status(link, ec);
    if (fs::exists(status) && !fs::is_symlink(status)) {
        *error = linkPath + " exists and is not a symbolic link";
        return false;
    }
    // Link under a temporary name and rename it into place: the name never goes missing.
    const fs::path temporary = link.string() + ".new." + std::to_string(::getpid());
    fs::remove(temporary, ec);
    fs::create_symlink(target, temporary, ec);
    if (!ec)
        fs::rename(temporary, link, ec);
    if (ec) {
        *error = "cannot create the link " + linkPath + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

void RemoveLink(const std::string& linkPath, const std::string& target)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(linkPath, ec)) && fs::read_symlink(linkPath, ec) == target)
        fs::remove(linkPath, ec);
}

} // namespace unitsim
