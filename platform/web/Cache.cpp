#include "platform/web/Cache.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/rt/SysUtils.h"
#include "platform/web/Html.h"

namespace web {

namespace {

struct TItem {
  TIWApplication* Owner = nullptr;
  std::string File;  // empty: Bytes hold the content
  TIWAppCache::TEntry Entry;
};

struct TRegistry {
  std::mutex Lock;
  std::map<std::string, TItem> Items;
  std::string Folder;
};

TRegistry& Registry() {
  static TRegistry r;
  return r;
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
  const std::string id = NewRandomToken();
  TItem item;
  item.Owner = owner;
  item.File = fileName;
  item.Entry.ContentType = contentType;
  item.Entry.Disposition = disposition;
  std::lock_guard<std::mutex> lk(Registry().Lock);
  Registry().Items[id] = std::move(item);
  return UrlPrefix + id;
}

std::string TIWAppCache::AddBytes(TIWApplication* owner, std::string bytes, std::string contentType,
                                  std::string disposition) {
  const std::string id = NewRandomToken();
  TItem item;
  item.Owner = owner;
  item.Entry = {std::move(bytes), std::move(contentType), std::move(disposition)};
  std::lock_guard<std::mutex> lk(Registry().Lock);
  Registry().Items[id] = std::move(item);
  return UrlPrefix + id;
}

std::string TIWAppCache::AddSessionBytes(TIWApplication* owner, std::string bytes, std::string contentType) {
  const std::string id = NewRandomToken();
  TItem item;
  item.Owner = owner;
  item.Entry.Bytes = std::move(bytes);
  item.Entry.ContentType = std::move(contentType);
  item.Entry.Reusable = true;
  std::lock_guard<std::mutex> lk(Registry().Lock);
  Registry().Items[id] = std::move(item);
  return UrlPrefix + id;
}

void TIWAppCache::Remove(const std::string& url) {
  const std::string prefix = UrlPrefix;
  if (url.compare(0, prefix.size(), prefix) != 0) return;
  std::string file;
  {
    std::lock_guard<std::mutex> lk(Registry().Lock);
    auto it = Registry().Items.find(url.substr(prefix.size()));
    if (it == Registry().Items.end()) return;
    file = it->second.File;
    Registry().Items.erase(it);
  }
  if (!file.empty()) std::remove(file.c_str());
}

std::optional<TIWAppCache::TEntry> TIWAppCache::Take(const std::string& id) {
  TItem item;
  {
    std::lock_guard<std::mutex> lk(Registry().Lock);
    auto it = Registry().Items.find(id);
    if (it == Registry().Items.end()) return std::nullopt;
    if (it->second.Entry.Reusable) return it->second.Entry;
    item = std::move(it->second);
    Registry().Items.erase(it);
  }
  if (!item.File.empty()) {
    std::ifstream in(item.File, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    item.Entry.Bytes = ss.str();
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
      if (it->second.Owner == owner) {
        if (!it->second.File.empty()) files.push_back(it->second.File);
        it = Registry().Items.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const auto& f : files) std::remove(f.c_str());
}

}  // namespace web
