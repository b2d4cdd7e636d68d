// Walking source folders and creating destination folders for the codec.
#pragma once

#include <string>
#include <vector>

namespace kb::pack {

// The path of an entry found in root: root, a backslash unless root's last
// character (double-byte aware) is a single-byte '\' or '/', then the name.
std::string ChildPath(const std::string& root, const std::string& name);

// Appends to files the full path of every file under folder, recursively, in the
// order the file system gives them, less the paths that excluded holds exactly
// (case-sensitive). Hidden and system files are included; folders that are
// reparse points (junctions, links) are not entered. Returns files.size(); an
// empty folder path adds nothing.
size_t CollectFolderFiles(const std::string& folder, std::vector<std::string>* files,
                          const std::vector<std::string>& excluded);

// Creates every folder level that recordName names below the destination part of
// fullPath (fullPath less its last recordName.size() bytes): for each single-byte
// backslash of recordName after a leading one, the path up to it. Failures are
// ignored; the open that follows reports a missing folder.
void CreateFolderPath(const std::string& recordName, const std::string& fullPath);

}  // namespace kb::pack
