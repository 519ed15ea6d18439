#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace iplug::igraphics {

// One resource name as the platform enumerates it. Windows resources may be named by a 16-bit
// integer instead of a text; those can never match a file name and are flagged so the search skips them.
struct ResourceName
{
  std::string text;
  bool isNumericId = false;
};

// Bytes of one resource, borrowed from the module image (never owned, valid as long as the module).
struct ResourceBytes
{
  const unsigned char* data = nullptr;
  std::size_t size = 0;

  bool Found() const { return data != nullptr; }
};

// What the back end needs from the platform to find pictures and fonts: the module's resources by
// (quoted name, type) and the file system as fallback. The window implements it.
class IResourceSource
{
public:
  // Smaller than this, a resource cannot hold any picture or font header; it counts as absent.
  static constexpr std::size_t kMinResourceSize = 8;

  virtual ~IResourceSource();

  virtual std::vector<ResourceName> ResourceNames(const std::string& type) const = 0;
  virtual bool FileExists(const std::string& path) const = 0;

  // The size rule is applied here, once, so no platform implementation can forget it.
  ResourceBytes FindResource(const std::string& quotedName, const std::string& type) const;

protected:
  virtual ResourceBytes FindResourceBytes(const std::string& quotedName, const std::string& type) const = 0;
};

// A resource in a plain table: the form resources take when embedded at build time.
struct ResourceEntry
{
  const char* name; // as stored, e.g. "\"BG@2X.PNG\""; "#101" stands for the numeric id 101
  const char* type; // "PNG", "TTF"
  const unsigned char* data;
  std::size_t size;
};

// IResourceSource over a table. Name and type match whole and without regard to ASCII case on lookup,
// as a module's resource directory does for string names.
class TableResourceSource : public IResourceSource
{
public:
  using FileExistsFn = std::function<bool(const std::string&)>;

  // Without a predicate, files are looked up on the real file system.
  explicit TableResourceSource(std::vector<ResourceEntry> entries, FileExistsFn fileExists = {});

  // Any table of structs with name, type, data and size members (the embedded table's own type).
  template <class Table>
  static TableResourceSource FromTable(const Table& table, FileExistsFn fileExists = {})
  {
    std::vector<ResourceEntry> entries;
    for (const auto& e : table)
      entries.push_back(ResourceEntry{e.name, e.type, e.data, e.size});
    return TableResourceSource(std::move(entries), std::move(fileExists));
  }

  std::vector<ResourceName> ResourceNames(const std::string& type) const override;
  bool FileExists(const std::string& path) const override;

protected:
  ResourceBytes FindResourceBytes(const std::string& quotedName, const std::string& type) const override;

private:
  std::vector<ResourceEntry> mEntries;
  FileExistsFn mFileExists;
};

} // namespace iplug::igraphics
