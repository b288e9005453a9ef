// The sizing report as a user's session makes it, from anything typed and any picture: the
// input's texts (separated by NUL bytes) fill every typed field of the data sheet and of the
// chart page, the first byte sets the switches of the form, and whatever follows the last text
// is the chart picture's bytes. Both pages are prepared from the shipped template and exported
// to PDF in memory, as the Report click does.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Picture.h"
#include "tests/report/ReportToPDF.h"
#include "webapp/SizingReport.h"
#include "webapp/SizingTemplate.h"

namespace {

// Hands out the input's texts in order; empty ones once they run out.
class TTexts {
public:
  TTexts(const uint8_t* Data, size_t Size) : FData(reinterpret_cast<const char*>(Data)), FSize(Size) {}
  std::string Next() {
    if (FAt >= FSize) return {};
    const std::size_t Start = FAt;
    while (FAt < FSize && FData[FAt] != '\0') ++FAt;
    std::string S(FData + Start, FAt - Start);
    if (FAt < FSize) ++FAt;
    return S;
  }
  std::string Rest() { return FAt < FSize ? std::string(FData + FAt, FSize - FAt) : std::string(); }

private:
  const char* FData;
  std::size_t FSize, FAt = 0;
};

// The grid of results, as large as the form's.
constexpr int GridRows = 10, GridColumns = 5;

void Export(TrepReport& R, const char* Page) {
  reporttopdf::RunOptions(R);
  webapp::ShowOnlyPage(R, Page);
  R.PrepareReport(true);
  reporttopdf::ExportToPDF(R);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  reporttopdf::Start();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  reporttopdf::Start();
  if (Size == 0) return 0;
  const std::uint8_t Switches = Data[0];
  TTexts T(Data + 1, Size - 1);

  webapp::TSizingReportInputs In;
  In.Version = T.Next();
  In.VersionDate = T.Next();
  In.Prefs.Name = T.Next();
  In.Prefs.NameApply = Switches & 1;
  In.Prefs.Email = T.Next();
  In.Prefs.EmailApply = Switches & 2;
  In.ValveLine = T.Next();
  In.Valvetype = T.Next();
  In.FluidState = T.Next();
  In.FluidName = T.Next();
  In.SelectedFlowUnit = T.Next();
  In.GageP = Switches & 4;
  In.SessionCalcForCv = Switches & 8;
  for (std::string& S : In.ActualDeltaP) S = T.Next();
  In.PressureUnit = T.Next();
  In.TagNo = T.Next();
  In.Customer = T.Next();
  In.LineItem = T.Next();
  In.ValveTypeText = T.Next();
  In.CvMode = Switches & 16;
  In.DesignCv = Switches & 32;
  In.LFCalcCvdisplay = Switches & 64;
  In.Linear = Switches & 128;
  In.DesignCvText = T.Next();
  In.CvText = T.Next();
  for (auto* Triple : {&In.Flow, &In.P1, &In.P2, &In.Temp, &In.VP, &In.CP, &In.SG, &In.Visc})
    for (std::string& S : *Triple) S = T.Next();
  In.TempUnit = T.Next();
  In.UpDiam = T.Next();
  In.DownDiam = T.Next();
  In.Schedule = T.Next();
  In.Notes = T.Next();
  In.Grid.assign(GridRows, std::vector<std::string>(GridColumns));
  for (auto& Row : In.Grid)
    for (std::string& Cell : Row) Cell = T.Next();

  webapp::TChartPageInputs Chart;
  Chart.ValveLine = In.ValveLine;
  Chart.Customer = In.Customer;
  Chart.User = T.Next();
  Chart.TagNo = In.TagNo;
  Chart.LineItem = In.LineItem;
  for (std::string& S : Chart.CvTexts) S = T.Next();

  // The picture's bytes as the picture reader takes them; bytes it refuses leave no picture.
  std::unique_ptr<gfx::TGraphic> Graphic;
  {
    gfx::TPicture P;
    rt::TStringStream Bytes(T.Rest());
    try {
      P.LoadFromStream(Bytes);
      if (P.Graphic() != nullptr) Graphic = P.Graphic()->Clone();
    } catch (const rt::Exception&) {
    }
  }

  TrepReport R(nullptr);
  webapp::LoadSizingTemplate(R);
  try {
    webapp::RestoreReportTemplate(R);
    webapp::FillSizingReport(R, In);
  } catch (const std::exception&) {
    // The program shows the message and makes no document.
    return 0;
  }
  Export(R, "Page1");
  webapp::RestoreReportTemplate(R);
  webapp::FillChartPage(R, Chart, std::move(Graphic));
  Export(R, "Page2");
  return 0;
}
