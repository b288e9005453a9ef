// Document texts from anywhere (title, author, subject, keywords, creator, producer and an
// attached invoice's file name) put into the PDF/A metadata: whatever they hold, the metadata
// must stay one well-formed x:xmpmeta element with its packet around it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "report/engine/repXML.h"
#include "report/pdf/repExportPDFA.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // The input is the values separated by zero bytes.
  std::string_view In(reinterpret_cast<const char*>(Data), Size);
  std::string V[7];
  for (std::string& S : V) {
    const std::size_t End = In.find('\0');
    S = In.substr(0, End);
    In = End == std::string_view::npos ? std::string_view() : In.substr(End + 1);
  }
  TrepPDFAInfo Info;
  Info.Title = V[0];
  Info.Author = V[1];
  Info.Subject = V[2];
  Info.Keywords = V[3];
  Info.Creator = V[4];
  Info.Producer = V[5];
  Info.Standard = Size % 2 ? psPDFA_1b : psPDFA_3a;
  Info.Compressed = Size % 3 != 0;
  Info.FileID = "0123456789abcdef0123456789abcdef";
  TrepPDFA A;
  A.AddEmbeddedXML(V[6], V[0], 0, std::make_unique<rt::TMemoryStream>(), clEXTENDED);
  const std::string X = A.XMPMetadataText(Info);

  const std::string_view Header = "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>";
  const std::string_view Trailer = "<?xpacket end='w'?>";
  if (X.compare(0, Header.size(), Header) != 0 || X.size() < Header.size() + Trailer.size() ||
      X.compare(X.size() - Trailer.size(), Trailer.size(), Trailer) != 0)
    std::abort();
  rt::TStringStream S(X.substr(Header.size(), X.size() - Header.size() - Trailer.size()));
  TrepXMLItem Root;
  try {
    TrepXMLReader R(S);
    R.ReadRootItem(&Root);
  } catch (const TrepInvalidXMLException&) {
    std::abort();  // a value broke the metadata
  }
  if (Root.Name() != "x:xmpmeta" || Root.Count() != 1 || Root.Items(0)->Count() != 7) std::abort();
  return 0;
}
