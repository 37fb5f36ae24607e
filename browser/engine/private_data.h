// The browser's data (cookies, the log-in, storage) and its cache are the user's alone:
// their folders 0700 and their files 0600, whatever the umask, also for folders an
// earlier version left readable.
#pragma once

#include <sys/types.h>

#include <string>

namespace veltrano::browser {

// Makes everything the shell and its web engine create from now on private to the user
// (the web processes inherit it). Returns the mask the user had, for files meant for the
// user's eyes, such as downloads.
mode_t keep_new_files_private();

// Creates folder (and its parents, as private folders) when missing, and mends what is
// in it: folders 0700, files 0600. Links are left alone, never followed. A folder that is
// 0700 already was mended before, and is left as it is.
void make_private(const std::string& folder);

}  // namespace veltrano::browser
