#pragma once
// Temporary files served by address: each is fetched once under an unguessable address and then
// deleted. Files not fetched go when their session ends, when their session adds more than
// MaxCacheFilesPerSession, or, oldest first, when all waiting files pass MaxCacheBytes. Session
// pictures (drawn pages of a viewer) are served as often as asked until they are removed or their
// session ends; they are their viewer's to bound and do not count against those caps.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace web {

class TIWApplication;

// Files one session keeps waiting to be fetched; one more removes its oldest.
constexpr std::size_t MaxCacheFilesPerSession = 4;
// Bytes of every session's waiting files together; past it the oldest files (of any session) go.
constexpr std::uintmax_t MaxCacheBytes = 256 * 1024 * 1024;

enum TCacheType { ctOneTime, ctSession };

namespace TIWMimeTypes {
inline constexpr const char* mtPDF = "application/pdf";
}

class TIWAppCache {
public:
  // A new, unused file name in the process's private temporary folder.
  static std::string NewTempFileName();
  // Makes the file fetchable once; returns its address (a path at the server's root). A
  // disposition ("inline; filename=...") goes out as the reply's Content-Disposition.
  static std::string AddFileToCache(TIWApplication* owner, const std::string& fileName, TCacheType type,
                                    const std::string& contentType, const std::string& disposition = {});

  // ---- Framework side ----
  struct TEntry {
    std::string Bytes;
    std::string ContentType;
    std::string Disposition;  // empty: none
    bool Reusable = false;    // a session picture: stays after it was served
    std::uintmax_t Size = 0;  // of the content
  };
  // Bytes served at one address until Remove or the owner's end; returns the address.
  static std::string AddSessionBytes(TIWApplication* owner, std::string bytes, std::string contentType);
  // Drops the entry of an address that AddBytes or AddSessionBytes returned.
  static void Remove(const std::string& url);
  // Bytes served once, e.g. a download; returns the address.
  static std::string AddBytes(TIWApplication* owner, std::string bytes, std::string contentType,
                              std::string disposition);
  // Takes the entry of that id out of the cache (deleting its file); nullopt when there is none.
  // A session picture stays and is handed out as a copy.
  static std::optional<TEntry> Take(const std::string& id);
  // The entry of that id without its bytes, left in the cache (HEAD); nullopt when there is none.
  static std::optional<TEntry> Peek(const std::string& id);
  // Replaces the caps above (tests); returns the previous ones.
  struct TLimits {
    std::size_t FilesPerSession = MaxCacheFilesPerSession;
    std::uintmax_t Bytes = MaxCacheBytes;
  };
  static TLimits SetLimits(TLimits limits);
  // Drops every entry of that owner and deletes its files.
  static void ReleaseOwner(TIWApplication* owner);
  static constexpr const char* UrlPrefix = "/cache/";
};

}  // namespace web
