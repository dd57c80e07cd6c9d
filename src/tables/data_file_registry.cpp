#include "tables/data_file_registry.h"

#include <memory>
#include <optional>
#include <sys/stat.h>

#include "store/data_file_access.h"

namespace kestrand {

namespace {
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct RegistryEntry {
  std::string path;  // as completed, letter case as given
  std::optional<FileIdentity> identity;  // known once the file is open
  bool opened = false;  // a DataFile whose open failed is shared with nobody
  std::unique_ptr<DataFile> dataFile;
  uint32_t holders = 0;
  std::unique_ptr<RegistryEntry> next;
};

// Newest first. Touched only from driver operations, one at a time. Initialised before
// anything runs, so that it outlives the DESTROY that the file layer sends to every
// block at exit (a table still open then is closed through it).
constinit std::unique_ptr<RegistryEntry> registryHead;

std::unique_ptr<RegistryEntry>& head() { return registryHead; }

std::optional<FileIdentity> identityOfPath(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

std::optional<FileIdentity> identityOfOpenFile(DataFile& dataFile) {
  if (!dataFile.diskFile.handle.valid()) return std::nullopt;
  struct stat st {};
  if (::fstat(dataFile.diskFile.handle.fd(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

RegistryEntry* findByPath(const std::string& path) {
  const std::optional<FileIdentity> identity = identityOfPath(path);
  for (RegistryEntry* entry = head().get(); entry != nullptr; entry = entry->next.get()) {
    if (!entry->opened) continue;
    if (identity ? entry->identity == identity : (!entry->identity && entry->path == path)) return entry;
  }
  return nullptr;
}

// The link that holds the entry of the DataFile, or null.
std::unique_ptr<RegistryEntry>* linkOf(const DataFile& dataFile) {
  for (std::unique_ptr<RegistryEntry>* link = &head(); *link != nullptr; link = &(*link)->next) {
    if ((*link)->dataFile.get() == &dataFile) return link;
  }
  return nullptr;
}
}  // namespace

ErrorCode acquireDataFile(const std::string& path, const std::string& password, uint32_t mode, DataFile*& out) {
  if (RegistryEntry* entry = findByPath(path)) {
    ++entry->holders;
    out = entry->dataFile.get();
    return 0;
  }
  auto entry = std::make_unique<RegistryEntry>();
  entry->path = path;
  entry->holders = 1;
  entry->dataFile = std::make_unique<DataFile>();
  initDataFile(*entry->dataFile);
  entry->next = std::move(head());
  head() = std::move(entry);
  RegistryEntry& added = *head();
  out = added.dataFile.get();
  ErrorCode result = openDataFile(*added.dataFile, path, mode, password);
  added.opened = result == 0;
  added.identity = identityOfOpenFile(*added.dataFile);
  return result;
}

void releaseDataFile(DataFile& dataFile) {
  std::unique_ptr<RegistryEntry>* link = linkOf(dataFile);
  if (link == nullptr) return;
  RegistryEntry& entry = **link;
  if (--entry.holders > 0) {
    endAccess(dataFile);
    return;
  }
  // Unlinked first: the registry stays sound even if the final commit unwinds.
  std::unique_ptr<RegistryEntry> gone = std::move(*link);
  *link = std::move(gone->next);
  destroyDataFile(*gone->dataFile);
}

uint32_t dataFileHolders(const DataFile& dataFile) {
  std::unique_ptr<RegistryEntry>* link = linkOf(dataFile);
  return link != nullptr ? (*link)->holders : 0;
}

std::size_t registeredDataFiles() {
  std::size_t count = 0;
  for (RegistryEntry* entry = head().get(); entry != nullptr; entry = entry->next.get()) ++count;
  return count;
}

}  // namespace kestrand
