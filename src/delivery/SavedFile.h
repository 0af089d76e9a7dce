#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace moxilane {

// Which file a path named when it was looked at: a file written over the same name later,
// or a link put in its place, has another identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t sizeBytes = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The regular file at path itself (a symbolic link is not followed); nothing for anything else.
std::optional<FileIdentity> regularFileIdentity(const QString& path);

// A file a delivery wrote, as it was right after the write.
struct SavedFile {
    QString path;
    FileIdentity identity;
};
using SavedFiles = std::vector<SavedFile>;

}  // namespace moxilane
