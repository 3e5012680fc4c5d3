#pragma once
// Whole-file reads and crash-safe whole-file writes for the settings stores.
#include <optional>
#include <string>

namespace tess {

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes `data` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`, so a crash or a full disk never leaves a half-written file. Creates no
// directories. Returns false (and leaves `path` as it was) on any failure; `error` gets a
// short reason.
bool WriteFileAtomic(const std::string& path, const std::string& data,
                     std::string* error = nullptr);

// Renames a damaged file aside ("NAME.damaged", "NAME.damaged-2", ...); returns the new
// name, or empty when the rename failed.
std::string MoveAside(const std::string& path);

// Writes a warning line to standard error ("Tessaray: warning: ...").
void LogSettingsWarning(const std::string& text);

} // namespace tess
