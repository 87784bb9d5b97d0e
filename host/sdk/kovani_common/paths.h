#pragma once

#include <string>

// Where the host keeps things on disk, and the programs it starts.
namespace kovani_common::utils {

// The signed-in user's data directory: util::file::GetUserDataDirectory() + "<app_uid>/"
// ("anonymous/" when nobody is signed in; characters outside [A-Za-z0-9._-] become '_').
std::string GetUserDataPath();
// The signed-in user's database directory, GetUserDataPath() + "database/", created when
// missing; with a trailing '/', so a file name can be appended directly.
std::string GetDatabasePath();

namespace record {
// The transcoder program: "qr-transcoder" in the bin directory beside the lib directory that
// holds libqrhost.so (build/bin/qr-transcoder in a build tree).
std::string GetTranscodeExecuteFilePath();
// The host's resource directory (sounds and images the views use), with a trailing '/':
// share/quickrec/resources/ beside the bin directory.
std::string GetResourceDirectory();
// The host's dynamic resource directory (configuration files delivered apart from the program,
// such as the media configuration), with a trailing '/': share/quickrec/dynamic_res/ beside the
// bin directory.
std::string GetDynamicResourceDirectory();
// The bridge target name the transcoder is started and reported under.
std::string GetTranscodeTargetName();
// Stores the default recording directory as the user's "meeting.record.save_path" and returns it:
// the host configuration's "save_dir", else GetUserDataPath() + "recordings/".
std::string InitDefaultSavePath();
}  // namespace record

}  // namespace kovani_common::utils
