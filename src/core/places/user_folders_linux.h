#pragma once
#include <filesystem>

namespace brisvel {

// $HOME, else the password database's entry for the user (a service may start without HOME),
// else "/", where nothing can be created: a shared folder such as /tmp would let another
// user prepare the path.
std::filesystem::path HomeFolder();

}  // namespace brisvel
