#include "report/pdf/repExportPDFA.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>

#include "MiniPDFWriter.h"
#include "platform/rt/DateUtils.h"
#include "report/engine/repXML.h"
#include "report/pdf/repPDFResources.h"

namespace {

using minipdf::BuildDocument;
using minipdf::HaveTool;
using minipdf::Quote;
using minipdf::RunTool;
using minipdf::TDocument;
using minipdf::TMiniPDFWriter;
using minipdf::TTempDir;

const char* const PacketHeader = "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>";
const char* const PacketTrailer = "<?xpacket end='w'?>";

TrepPDFAInfo Info(TPDFStandard Standard = psPDFA_2b) {
  TrepPDFAInfo I;
  I.Title = "Sizing report";
  I.Author = "Valve engineer";
  I.Subject = "Control valve";
  I.Keywords = "Cv, travel";
  I.Creator = "Sizing program";
  I.Producer = "Report engine";
  I.Standard = Standard;
  PDFStandardVersion(Standard, I.Version);
  I.CreationDateTime = rt::EncodeTime(5, 6, 7, 0) + 46085;  // 2026-03-04 05:06:07
  I.FileID = "0123456789abcdef0123456789abcdef";
  return I;
}

std::unique_ptr<rt::TStream> Bytes(const std::string& S) {
  auto M = std::make_unique<rt::TMemoryStream>();
  M->WriteBuffer(S.data(), static_cast<std::int64_t>(S.size()));
  return M;
}

std::size_t Count(const std::string& S, const std::string& What) {
  std::size_t N = 0;
  for (std::size_t P = S.find(What); P != std::string::npos; P = S.find(What, P + 1)) ++N;
  return N;
}

// The metadata parsed with the report engine's XML reader: the packet's processing instructions
// around exactly one x:xmpmeta element whose tags all match.
std::unique_ptr<TrepXMLItem> ParseXMP(const std::string& Text) {
  const std::string Header = PacketHeader, Trailer = PacketTrailer;
  EXPECT_EQ(Text.compare(0, Header.size(), Header), 0);
  const std::size_t End = Text.rfind(Trailer);
  EXPECT_NE(End, std::string::npos);
  rt::TStringStream S(Text.substr(Header.size(), End - Header.size()));
  auto Root = std::make_unique<TrepXMLItem>();
  TrepXMLReader R(S);
  R.ReadRootItem(Root.get());
  return Root;
}

std::vector<TrepXMLItem*> Children(TrepXMLItem* Item, const std::string& Name) {
  std::vector<TrepXMLItem*> V;
  for (int I = 0; I < Item->Count(); ++I)
    if (Item->Items(I)->Name() == Name) V.push_back(Item->Items(I));
  return V;
}

// ---- Object order and the fixed objects

TEST(PDFAObjects, WithoutFilesRoleMapStructRootMetadataAndOutputIntentFollowInOrder) {
  TMiniPDFWriter W;
  W.UpdateXRef();  // the page tree
  TrepPDFA A;
  A.WritePDFAObjects(W, Info(psPDFA_2b));
  const std::string T = W.Text();

  EXPECT_EQ(W.Offsets.size(), 6u);
  EXPECT_EQ(A.StructId(), 3);
  EXPECT_EQ(A.MetaFileId(), 4);
  EXPECT_EQ(A.ColorProfileId(), 6);
  EXPECT_EQ(A.AttachmentsNamesId(), 0);
  const std::vector<std::string> InOrder = {
      "2 0 obj\r\n<<\r\n/Footnote /Note\r\n/Endnote /Note\r\n", "/Chart /Sect\r\n/Diagram /Figure\r\n>>\r\nendobj",
      "3 0 obj\r\n<<\r\n/Type /StructTreeRoot\r\n/RoleMap 2 0 R\r\n>>\r\nendobj",
      "4 0 obj\r\n<< /Type /Metadata /Subtype /XML \r\n/Length ",
      "5 0 obj\r\n<<\r\n/N 3\r\n/Length ",
      "6 0 obj\r\n<<\r\n/Type /OutputIntent\r\n/S /GTS_PDFA1\r\n/OutputCondition (sRGB IEC61966-2.1)\r\n"
      "/OutputConditionIdentifier (sRGB IEC61966-2.1)\r\n/Info (sRGB IEC61966-2.1)\r\n"
      "/DestOutputProfile 5 0 R\r\n>>\r\nendobj"};
  std::size_t At = 0;
  for (const std::string& S : InOrder) {
    const std::size_t P = T.find(S, At);
    ASSERT_NE(P, std::string::npos) << S;
    At = P + S.size();
  }
  // Each object's entry is where its header starts.
  for (std::size_t K = 1; K < W.Offsets.size(); ++K) {
    const std::string Header = std::to_string(K + 1) + " 0 obj\r\n";
    EXPECT_EQ(T.compare(W.Offsets[K], Header.size(), Header), 0) << Header;
  }

  rt::TMemoryStream Catalog;
  A.WriteCatalogEntries(Catalog);
  EXPECT_EQ(std::string(static_cast<const char*>(Catalog.Memory()), Catalog.Size()),
            "/Metadata 4 0 R\r\n/OutputIntents [ 6 0 R ]\r\n/StructTreeRoot 3 0 R\r\n");
}

TEST(PDFAObjects, ResourcesAreFoundWhateverTheLetterCase) {
  EXPECT_EQ(FindPDFResource("metafile"), FindPDFResource("METAFILE"));
  EXPECT_EQ(FindPDFResource("Profile").substr(36, 4), "acsp");
  try {
    FindPDFResource("LOGO");
    ADD_FAILURE() << "no error for a missing resource";
  } catch (const EResNotFound& E) {
    EXPECT_STREQ(E.what(), "Resource LOGO not found");
  }
}

// The shipped profile, read by an independent colour engine, converts like its built-in sRGB.
TEST(PDFAObjects, ColourProfileIsADisplaySRGBProfileOfVersionTwo) {
  const std::string_view P = FindPDFResource("PROFILE");
  cmsHPROFILE Ours = cmsOpenProfileFromMem(P.data(), static_cast<cmsUInt32Number>(P.size()));
  ASSERT_NE(Ours, nullptr);
  EXPECT_EQ(cmsGetEncodedICCversion(Ours), 0x02100000u);
  EXPECT_EQ(cmsGetDeviceClass(Ours), cmsSigDisplayClass);
  EXPECT_EQ(cmsGetColorSpace(Ours), cmsSigRgbData);
  EXPECT_EQ(cmsGetPCS(Ours), cmsSigXYZData);
  char Desc[64] = {};
  cmsGetProfileInfoASCII(Ours, cmsInfoDescription, "en", "US", Desc, sizeof Desc);
  EXPECT_STREQ(Desc, "sRGB IEC61966-2.1");
  EXPECT_EQ(static_cast<std::uint32_t>(static_cast<unsigned char>(P[0])) << 24 |
                static_cast<unsigned char>(P[1]) << 16 | static_cast<unsigned char>(P[2]) << 8 |
                static_cast<unsigned char>(P[3]),
            P.size())
      << "the header's size";

  cmsHPROFILE Reference = cmsCreate_sRGBProfile();
  cmsHPROFILE Lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM A = cmsCreateTransform(Ours, TYPE_RGB_8, Lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
  cmsHTRANSFORM B = cmsCreateTransform(Reference, TYPE_RGB_8, Lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
  ASSERT_NE(A, nullptr);
  ASSERT_NE(B, nullptr);
  double Worst = 0;
  for (int R = 0; R <= 255; R += 15)
    for (int G = 0; G <= 255; G += 15)
      for (int Bl = 0; Bl <= 255; Bl += 15) {
        const unsigned char In[3] = {static_cast<unsigned char>(R), static_cast<unsigned char>(G),
                                     static_cast<unsigned char>(Bl)};
        cmsCIELab X, Y;
        cmsDoTransform(A, In, &X, 1);
        cmsDoTransform(B, In, &Y, 1);
        Worst = std::max(Worst, cmsDeltaE(&X, &Y));
      }
  EXPECT_LT(Worst, 0.5);
  cmsDeleteTransform(A);
  cmsDeleteTransform(B);
  cmsCloseProfile(Lab);
  cmsCloseProfile(Reference);
  cmsCloseProfile(Ours);
}

// ---- Metadata

TEST(XMPMetadata, PlaceholdersTakeTheDocumentsValuesByStandard) {
  struct Case {
    TPDFStandard Standard;
    std::string Creator, Part, Conformance, Version;
  } Cases[] = {{psPDFA_1b, "Valve engineer", "1", "B", "1.4"},
               {psPDFA_1a, "Valve engineer", "1", "A", "1.4"},
               {psPDFA_2a, "Valve engineer", "2", "A", "1.7"},
               {psPDFA_3b, "Valve engineer", "3", "B", "1.7"}};
  for (const Case& C : Cases) {
    const std::string X = TrepPDFA().XMPMetadataText(Info(C.Standard));
    SCOPED_TRACE(PDFStandardText(C.Standard));
    for (const std::string& S :
         std::vector<std::string>{"<dc:format>application/pdf</dc:format>", "<rdf:Seq><rdf:li>" + C.Creator + "</rdf:li></rdf:Seq>",
          std::string("<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">Control valve</rdf:li>"),
          std::string("<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Sizing report</rdf:li>"),
          std::string("<xmp:CreatorTool>Sizing program</xmp:CreatorTool>"),
          std::string("<xmp:CreateDate>2026-03-04T05:06:07+00:00</xmp:CreateDate>"),
          std::string("<xmp:ModifyDate>2026-03-04T05:06:07+00:00</xmp:ModifyDate>"),
          std::string("<xmp:MetadataDate>2026-03-04T05:06:07+00:00</xmp:MetadataDate>"),
          std::string("<pdf:Keywords>Cv, travel</pdf:Keywords>"), std::string("<pdf:Producer>Report engine</pdf:Producer>"),
          "<pdf:PDFVersion>" + C.Version + "</pdf:PDFVersion>",
          std::string("<xmpMM:DocumentID>uuid:0123456789abcdef0123456789abcdef</xmpMM:DocumentID>"),
          std::string("<xmpMM:InstanceID>uuid:0123456789abcdef0123456789abcdef</xmpMM:InstanceID>"),
          "<pdfaid:part>" + C.Part + "</pdfaid:part>", "<pdfaid:conformance>" + C.Conformance + "</pdfaid:conformance>"})
      EXPECT_NE(X.find(S), std::string::npos) << S;
    EXPECT_EQ(X.find('{'), std::string::npos) << "a placeholder left";
  }
}

TEST(XMPMetadata, ParsesAndHoldsTheTemplatesStructure) {
  for (bool Compressed : {true, false}) {
    TrepPDFAInfo I = Info();
    I.Compressed = Compressed;
    auto Root = ParseXMP(TrepPDFA().XMPMetadataText(I));
    ASSERT_EQ(Root->Name(), "x:xmpmeta");
    EXPECT_EQ(Root->Prop("xmlns:x"), u"adobe:ns:meta/");
    EXPECT_FALSE(Root->Prop("x:xmptk").empty());
    ASSERT_EQ(Root->Count(), 1);
    TrepXMLItem* RDF = Root->Items(0);
    ASSERT_EQ(RDF->Name(), "rdf:RDF");
    EXPECT_EQ(RDF->Prop("xmlns:rdf"), u"http://www.w3.org/1999/02/22-rdf-syntax-ns#");
    const auto D = Children(RDF, "rdf:Description");
    ASSERT_EQ(D.size(), 6u);
    const std::u16string Namespaces[][2] = {{u"xmlns:dc", u"http://purl.org/dc/elements/1.1/"},
                                            {u"xmlns:xmp", u"http://ns.adobe.com/xap/1.0/"},
                                            {u"xmlns:pdf", u"http://ns.adobe.com/pdf/1.3/"},
                                            {u"xmlns:xmpMM", u"http://ns.adobe.com/xap/1.0/mm/"},
                                            {u"xmlns:pdfaid", u"http://www.aiim.org/pdfa/ns/id/"},
                                            {u"xmlns:pdfaExtension", u"http://www.aiim.org/pdfa/ns/extension/"}};
    for (std::size_t K = 0; K < D.size(); ++K) {
      EXPECT_TRUE(D[K]->PropExists("rdf:about"));
      EXPECT_EQ(D[K]->Prop(rt::Utf16ToUtf8(Namespaces[K][0])), Namespaces[K][1]);
    }
    TrepXMLItem* Bag = D[5]->Items(0)->Items(0);
    ASSERT_EQ(Bag->Name(), "rdf:Bag");
    ASSERT_EQ(Bag->Count(), 4);
    const int Properties[] = {1, 1, 3, 4};
    for (int K = 0; K < 4; ++K) {
      TrepXMLItem* Schema = Bag->Items(K);
      EXPECT_EQ(Schema->Prop("rdf:parseType"), u"Resource");
      ASSERT_EQ(Schema->Count(), 4);
      EXPECT_EQ(Schema->Items(3)->Name(), "pdfaSchema:property");
      EXPECT_EQ(Schema->Items(3)->Items(0)->Count(), Properties[K]);
    }
  }
}

TEST(XMPMetadata, CompressedMetadataHasNoLineBreaksYetIsNotDeflated) {
  for (bool Compressed : {true, false}) {
    TMiniPDFWriter W;
    TrepPDFAInfo I = Info();
    I.Compressed = Compressed;
    TrepPDFA A;
    A.WriteXMPMetadata(W, I);
    const std::string T = W.Text();
    const std::size_t Start = T.find("stream\r\n") + 8, End = T.rfind("\r\n\nendstream");
    ASSERT_LT(Start, End);
    const std::string Data = T.substr(Start, End - Start);
    EXPECT_EQ(T.find("/Filter"), std::string::npos);
    EXPECT_NE(T.find("/Length " + std::to_string(Data.size() + 2) + ">>"), std::string::npos);
    EXPECT_EQ(Data.rfind(PacketTrailer), Data.size() - std::string(PacketTrailer).size());
    EXPECT_EQ(Data.find('\n') == std::string::npos, Compressed) << Data.substr(0, 200);
    if (!Compressed) {
      EXPECT_EQ(Count(Data, "\n"), Count(Data, "\r\n"));
    }
    EXPECT_EQ(Data.find("> <"), std::string::npos) << "indentation left between elements";
  }
}

// Titles and names come from outside: they must not break or reshape the metadata.
TEST(XMPMetadata, OutsideValuesAreEscapedAndTheMetadataStillParses) {
  struct Case {
    std::string Value, Written;
  } Cases[] = {{"a</rdf:li>", "a&lt;/rdf:li&gt;"},
               {"R&D <b>", "R&amp;D &lt;b&gt;"},
               {"\"quoted\" 'single'", "&quot;quoted&quot; &apos;single&apos;"},
               {"{3} stays", "{3} stays"},
               {"bell\x07 tab\t", "bell tab\t"},
               {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},
               {"Gr\xC3\xBC\xC3\x9F" "e", "Gr\xC3\xBC\xC3\x9F" "e"}};
  TTempDir Dir;
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Value);
    TrepPDFAInfo I = Info(psPDFA_1b);
    I.Title = I.Author = I.Subject = I.Keywords = I.Producer = I.Creator = C.Value;
    TrepPDFA A;
    A.AddEmbeddedXML(C.Value, "invoice", 0, Bytes("<x/>"), clBASIC);
    const std::string X = A.XMPMetadataText(I);
    EXPECT_NO_THROW(ParseXMP(X));
    EXPECT_EQ(Count(X, C.Written), 6u + 1u) << "dc:creator, description, title, tool, keywords, producer, zf";
    if (HaveTool("xmllint")) {
      const auto R = RunTool("xmllint --noout " + Quote(Dir.File("m.xml", X)));
      EXPECT_EQ(R.Status, 0) << R.Output;
    }
  }
}

// ---- Attached files

TEST(PDFAEmbeddedFiles, ZUGFeRDInvoiceIsDescribedInTheMetadataAndAttachedAsAlternative) {
  TrepPDFA A;
  A.AddEmbeddedXML("invoice.xml", "Invoice data", 0, Bytes("<Invoice/>"), clCOMFORT);
  EXPECT_EQ(A.EmbeddedFiles().size(), 1u);
  EXPECT_EQ(A.EmbeddedFiles()[0]->ZUGFeRD_ConformanceLevel(), clBASIC);
  EXPECT_EQ(A.EmbeddedFiles()[0]->MIME(), "text/xml");
  EXPECT_EQ(A.EmbeddedFiles()[0]->Relation(), erAlternative);

  const std::string X = A.XMPMetadataText(Info());
  const std::string ZF =
      "<rdf:Description xmlns:zf=\"urn:ferd:pdfa:CrossIndustryDocument:invoice:1p0#\" rdf:about=\"\" "
      "zf:ConformanceLevel=\"COMFORT\" zf:DocumentFileName=\"invoice.xml\" zf:DocumentType=\"INVOICE\" "
      "zf:Version=\"1.0\"/></rdf:RDF>";
  EXPECT_NE(X.find(ZF), std::string::npos) << X.substr(X.size() - 400);
  auto Root = ParseXMP(X);
  EXPECT_EQ(Children(Root->Items(0), "rdf:Description").size(), 7u);

  TMiniPDFWriter W;
  A.WriteEmbeddedFiles(W, true);
  const std::string T = W.Text();
  EXPECT_NE(T.find("/Subtype /text#2fxml\r\n/Type /EmbeddedFile\r\n"), std::string::npos);
  EXPECT_NE(T.find("<< /AFRelationship /Alternative\r\n"), std::string::npos);
  EXPECT_NE(T.find("/Params << /ModDate (D:18991230000000) /Size 10 >>"), std::string::npos);
  EXPECT_EQ(A.EmbeddedFiles()[0]->FileStream(), nullptr) << "the stream writer took the content";
}

TEST(PDFAEmbeddedFiles, RelationNamesAndFileSpecification) {
  const std::pair<TEmbeddedRelation, std::string> Relations[] = {
      {erData, "Data"}, {erSource, "Source"}, {erAlternative, "Alternative"},
      {erSupplement, "Supplement"}, {erUnspecified, "Unspecified"}};
  for (const auto& [Relation, Name] : Relations) {
    TrepPDFA A;
    A.AddEmbeddedFile("d\xC3\xA9" "f.csv", "Data (raw)", 0, Relation, "text/csv", Bytes("a;b"));
    TMiniPDFWriter W;
    A.WriteEmbeddedFiles(W, false);
    const std::string T = W.Text();
    EXPECT_NE(T.find("2 0 obj\r\n<< /AFRelationship /" + Name + "\r\n/Desc (\xFE\xFF"), std::string::npos) << Name;
    EXPECT_NE(T.find("/EF << /F 1 0 R /UF 1 0 R >>\r\n/F (d\xE9" "f.csv)\r\n/Type /Filespec\r\n"
                     "/UF <FEFF006400E90066002E006300730076>\r\n>>\r\nendobj"),
              std::string::npos);
    EXPECT_NE(T.find("3 0 obj\r\n<< /Names [ (d\xE9" "f.csv) 2 0 R ] >>\r\nendobj"), std::string::npos);
    EXPECT_NE(T.find("4 0 obj\r\n[ 2 0 R ]\r\nendobj"), std::string::npos);
    EXPECT_NE(T.find("/Length 3>>\r\nstream\r\na;b\n"), std::string::npos) << "not compressed";
  }
  TrepPDFA A;
  EXPECT_THROW(A.AddEmbeddedFile("x", "", 0, erData, "text/plain", nullptr), rt::Exception);
}

TEST(PDFAEmbeddedFiles, UnusualMimeTypesStayOneName) {
  struct Case {
    std::string MIME, Name;
  } Cases[] = {{"application/vnd.ms-excel", "/application#2fvnd.ms-excel"},
               {"text/plain; charset=utf-8", "/text#2fplain;#20charset=utf-8"},
               {"a(b)#c", "/a#28b#29#23c"}};
  for (const Case& C : Cases) {
    TrepPDFA A;
    A.AddEmbeddedFile("f", "", 0, erData, C.MIME, Bytes("x"));
    TMiniPDFWriter W;
    A.WriteEmbeddedFiles(W, false);
    EXPECT_NE(W.Text().find("/Subtype " + C.Name + "\r\n"), std::string::npos) << C.MIME;
  }
}

// ---- A whole PDF/A document, read by outside tools

TEST(PDFADocument, OutsideToolsReadTheAttachmentsAndTheMetadata) {
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  TrepPDFA A;
  A.AddEmbeddedFile("zeta.txt", "last by name", 0, erSupplement, "text/plain", Bytes("zeta content"));
  A.AddEmbeddedXML("a(1)\\b.xml", "invoice", 0, Bytes("<Invoice>1</Invoice>"), clEXTENDED);
  A.AddEmbeddedFile("zeta.txt", "same name again", 0, erData, "text/plain", Bytes("second zeta"));
  TDocument D;
  D.PDFA = &A;
  D.PDFAInfo = Info(psPDFA_3b);
  D.PDFAInfo.Title = D.Title = "Sizing <report> & co";
  TTempDir Dir;
  const std::string File = Dir.File("a.pdf", BuildDocument(D));

  auto R = RunTool("qpdf --check " + Quote(File));
  EXPECT_EQ(R.Status, 0) << R.Output;
  R = RunTool("qpdf --list-attachments " + Quote(File));
  ASSERT_EQ(R.Status, 0) << R.Output;
  const std::size_t P1 = R.Output.find("a(1)\\b.xml ->"), P2 = R.Output.find("zeta.txt ->"),
                    P3 = R.Output.find("zeta.txt 2 ->");
  EXPECT_NE(P1, std::string::npos) << R.Output;
  EXPECT_NE(P2, std::string::npos) << R.Output;
  EXPECT_NE(P3, std::string::npos) << R.Output;
  const std::pair<std::string, std::string> Contents[] = {
      {"a(1)\\b.xml", "<Invoice>1</Invoice>"}, {"zeta.txt", "zeta content"}, {"zeta.txt 2", "second zeta"}};
  for (const auto& [Key, Content] : Contents) {
    R = RunTool("qpdf --show-attachment=" + Quote(Key) + " " + Quote(File));
    EXPECT_EQ(R.Status, 0) << Key << ": " << R.Output;
    EXPECT_EQ(R.Output, Content) << Key;
  }
  if (HaveTool("pdfinfo")) {
    R = RunTool("pdfinfo -meta " + Quote(File));
    EXPECT_EQ(R.Status, 0) << R.Output;
    EXPECT_NE(R.Output.find("<rdf:li xml:lang=\"x-default\">Sizing &lt;report&gt; &amp; co</rdf:li>"),
              std::string::npos)
        << R.Output;
    EXPECT_NE(R.Output.find("zf:ConformanceLevel=\"EXTENDED\" zf:DocumentFileName=\"a(1)\\b.xml\""),
              std::string::npos);
  }
}

} // namespace
