#include "platform/web/Cache.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/rt/SysUtils.h"
#include "platform/web/Html.h"

namespace web {

namespace {

struct TItem {
  TIWApplication* Owner = nullptr;
  std::string File;  // empty: Bytes hold the content
  TIWAppCache::TEntry Entry;
  std::uint64_t Serial = 0;  // order of adding
};

struct TRegistry {
  std::mutex Lock;
  std::map<std::string, TItem> Items;
  std::string Folder;
  std::uint64_t NextSerial = 1;
  std::uintmax_t Bytes = 0;
  TIWAppCache::TLimits Limits;
};

TRegistry& Registry() {
  static TRegistry r;
  return r;
}

// A file waiting to be fetched once, as opposed to a session picture.
bool Waiting(const TItem& i) { return !i.Entry.Reusable; }

// Takes an item out; its file, if any, joins the files to delete. The registry's lock is held.
void Drop(TRegistry& r, std::map<std::string, TItem>::iterator it, std::vector<std::string>& files) {
  if (Waiting(it->second)) r.Bytes -= std::min(r.Bytes, it->second.Entry.Size);
  if (!it->second.File.empty()) files.push_back(it->second.File);
  r.Items.erase(it);
}

// Adds the item and keeps the caps: the owner's oldest beyond its count, then the oldest of all
// beyond the total bytes. Returns the address.
std::string Add(TItem item) {
  const std::string id = NewRandomToken();
  std::vector<std::string> files;
  TRegistry& r = Registry();
  {
    std::lock_guard<std::mutex> lk(r.Lock);
    item.Serial = r.NextSerial++;
    const bool waiting = Waiting(item);
    if (waiting) r.Bytes += item.Entry.Size;
    TIWApplication* owner = item.Owner;
    r.Items[id] = std::move(item);
    auto oldest = [&](auto mine) {
      auto found = r.Items.end();
      for (auto it = r.Items.begin(); it != r.Items.end(); ++it)
        if (mine(it->second) && (found == r.Items.end() || it->second.Serial < found->second.Serial)) found = it;
      return found;
    };
    auto mine = [&](const TItem& i) { return Waiting(i) && i.Owner == owner; };
    while (waiting) {
      const auto count = static_cast<std::size_t>(
          std::count_if(r.Items.begin(), r.Items.end(), [&](const auto& p) { return mine(p.second); }));
      if (count <= r.Limits.FilesPerSession) break;
      Drop(r, oldest(mine), files);
    }
    while (r.Bytes > r.Limits.Bytes) {
      const auto it = oldest(Waiting);
      if (it == r.Items.end()) break;
      Drop(r, it, files);
    }
  }
  for (const auto& f : files) std::remove(f.c_str());
  return TIWAppCache::UrlPrefix + id;
}

const std::string& Folder() {
  static std::once_flag once;
  std::call_once(once, [] {
    const char* tmp = getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/zentor-cache-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw rt::EFOpenError("Cannot create the temporary folder " + tmpl);
    Registry().Folder = tmpl;
  });
  return Registry().Folder;
}

}  // namespace

std::string TIWAppCache::NewTempFileName() { return Folder() + "/" + NewRandomToken().substr(0, 32) + ".tmp"; }

std::string TIWAppCache::AddFileToCache(TIWApplication* owner, const std::string& fileName, TCacheType,
                                        const std::string& contentType, const std::string& disposition) {
  TItem item;
  item.Owner = owner;
  item.File = fileName;
  item.Entry.ContentType = contentType;
  item.Entry.Disposition = disposition;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(fileName, ec);
  item.Entry.Size = ec ? 0 : size;
  return Add(std::move(item));
}

std::string TIWAppCache::AddBytes(TIWApplication* owner, std::string bytes, std::string contentType,
                                  std::string disposition) {
  TItem item;
  item.Owner = owner;
  item.Entry = {std::move(bytes), std::move(contentType), std::move(disposition)};
  item.Entry.Size = item.Entry.Bytes.size();
  return Add(std::move(item));
}

std::optional<TIWAppCache::TEntry> TIWAppCache::Peek(const std::string& id) {
  std::lock_guard<std::mutex> lk(Registry().Lock);
  auto it = Registry().Items.find(id);
  if (it == Registry().Items.end()) return std::nullopt;
  TEntry e;
  e.ContentType = it->second.Entry.ContentType;
  e.Disposition = it->second.Entry.Disposition;
  e.Reusable = it->second.Entry.Reusable;
  e.Size = it->second.Entry.Size;
  return e;
}

TIWAppCache::TLimits TIWAppCache::SetLimits(TLimits limits) {
  std::lock_guard<std::mutex> lk(Registry().Lock);
  return std::exchange(Registry().Limits, limits);
}

std::string TIWAppCache::AddSessionBytes(TIWApplication* owner, std::string bytes, std::string contentType) {
  TItem item;
  item.Owner = owner;
  item.Entry.Bytes = std::move(bytes);
  item.Entry.ContentType = std::move(contentType);
  item.Entry.Reusable = true;
  item.Entry.Size = item.Entry.Bytes.size();
  return Add(std::move(item));
}

void TIWAppCache::Remove(const std::string& url) {
  const std::string prefix = UrlPrefix;
  if (url.compare(0, prefix.size(), prefix) != 0) return;
  std::vector<std::string> files;
  {
    std::lock_guard<std::mutex> lk(Registry().Lock);
    auto it = Registry().Items.find(url.substr(prefix.size()));
    if (it == Registry().Items.end()) return;
    Drop(Registry(), it, files);
  }
  for (const auto& f : files) std::remove(f.c_str());
}

std::optional<TIWAppCache::TEntry> TIWAppCache::Take(const std::string& id) {
  TItem item;
  {
    std::lock_guard<std::mutex> lk(Registry().Lock);
    auto it = Registry().Items.find(id);
    if (it == Registry().Items.end()) return std::nullopt;
    if (it->second.Entry.Reusable) return it->second.Entry;
    item = std::move(it->second);
    Registry().Bytes -= std::min(Registry().Bytes, item.Entry.Size);
    Registry().Items.erase(it);
  }
  if (!item.File.empty()) {
    std::ifstream in(item.File, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    item.Entry.Bytes = ss.str();
    item.Entry.Size = item.Entry.Bytes.size();
    in.close();
    std::remove(item.File.c_str());
  }
  return std::move(item.Entry);
}

void TIWAppCache::ReleaseOwner(TIWApplication* owner) {
  std::vector<std::string> files;
  {
    std::lock_guard<std::mutex> lk(Registry().Lock);
    for (auto it = Registry().Items.begin(); it != Registry().Items.end();) {
      auto next = std::next(it);
      if (it->second.Owner == owner) Drop(Registry(), it, files);
      it = next;
    }
  }
  for (const auto& f : files) std::remove(f.c_str());
}

}  // namespace web
