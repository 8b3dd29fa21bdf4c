#pragma once

#include <string>

// Full path of the running executable, however long: a fixed MAX_PATH buffer
// would silently cut it and send the settings file to the wrong folder.
[[nodiscard]] std::wstring ExecutablePath();

// Everything up to and including the last ':' or '\' ('/' does not count);
// empty when there is neither.
[[nodiscard]] std::wstring FolderPart(const std::wstring& Path);
