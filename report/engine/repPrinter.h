#pragma once
// Printers and paper sizes. Report pages take their paper sizes from a printer even when they are
// only exported: a standard paper number takes its size from the paper table, and a page set to
// its defaults takes the selected printer's default paper.
//
// The printer list is process-wide, made on first use (GetPrinters) and shared by the report runs
// of every session. Its printers come from the platform's print spooler; this server has none, so
// the list holds one virtual printer, which needs no device. Every operation of the list and its
// printers holds PrintersLock() while it runs; a caller that changes a printer's paper and then
// reads the resulting sizes holds the lock around the whole sequence, so that another session's
// change cannot come between.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"

enum TPrinterOrientation { poPortrait, poLandscape };

// Paper number of a size of the user's own, and tray number of the automatic tray.
constexpr int repPaperCustom = 256;
constexpr int repBinAuto = 7;

// One row of the paper table: paper number, name, width and height in tenths of a millimetre.
struct TPaperInfo {
  int Typ;
  const char* Name;
  int X, Y;
};
constexpr int PAPERCOUNT = 66;
extern const TPaperInfo PaperInfo[PAPERCOUNT];

// Width and height in millimetres of a paper number of the table; false, and nothing set, for any
// other number (the custom size 256 among them).
bool GetPaperDimensions(int PaperSize, double& Width, double& Height);

// The lock of the printer list and its printers (recursive: operations nest).
std::recursive_mutex& PrintersLock();

struct TrepPrinterDPI {
  int X = 0, Y = 0;
};

// Paper and tray lists carry each entry's number in place of an object.
int NumberOfListItem(const rt::TStrings& List, int Index);

class TrepCustomPrinter;

// The font of printer output, as far as the printer canvas adjusts it: the size in points and the
// resolution its height is made for.
struct TrepPrinterFont {
  int Size = 10;
  int PixelsPerInch = 96;
  // In pixels at PixelsPerInch, negative (a character height), as fonts are made.
  int Height() const;
};

// The canvas of printer output. Text layout recognises it to scale for the printer.
class TrepPrinterCanvas : public rt::TObject {
public:
  explicit TrepPrinterCanvas(TrepCustomPrinter* APrinter) : FPrinter(APrinter) {}
  TrepPrinterFont Font;
  TrepCustomPrinter* Printer() const { return FPrinter; }
  // Before drawing: the font keeps its size in points and takes the printer's vertical
  // resolution, so its height follows the device.
  void Changing();

private:
  TrepCustomPrinter* FPrinter;
};

class TrepCustomPrinter : public rt::TObject {
public:
  // The tray list starts with the automatic tray ("prDefault", 7), the paper list with the
  // custom size ("prCustom", 256).
  TrepCustomPrinter(const std::string& AName, const std::string& APort);
  TrepCustomPrinter(const TrepCustomPrinter&) = delete;
  TrepCustomPrinter& operator=(const TrepCustomPrinter&) = delete;
  ~TrepCustomPrinter() override;

  // Once: reads the device's resolution, defaults, papers and trays.
  virtual void Init() = 0;
  virtual void Abort() = 0;
  virtual void BeginDoc() = 0;
  virtual void BeginPage() = 0;
  virtual void BeginRAWDoc() = 0;
  virtual void EndDoc() = 0;
  virtual void EndPage() = 0;
  virtual void EndRAWDoc() = 0;
  virtual void WriteRAWDoc(const std::string& buf) = 0;
  // Makes a paper current for layout: a paper number with its size, or the custom size 256 with
  // the given width and height (millimetres).
  virtual void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                             TPrinterOrientation AOrientation) = 0;
  virtual void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                              TPrinterOrientation AOrientation, int ABin, int ADuplex, int ACopies) = 0;
  virtual void PropertiesDlg() = 0;

  // Position of the number in the tray or paper list, -1 when absent.
  int BinIndex(int ABin) const;
  int PaperIndex(int APaper) const;
  // The number stored with the name (letter case ignored), or with the first entry when absent.
  int BinNameToNumber(const std::string& ABin) const;
  int PaperNameToNumber(const std::string& APaper) const;

  int Bin() const;
  int Duplex() const;
  // Filled by Init and unchanged afterwards.
  const rt::TStringList& Bins() const { return FBins; }
  const rt::TStringList& Papers() const { return FPapers; }
  TrepPrinterCanvas* Canvas() const { return FCanvas.get(); }
  TPrinterOrientation DefOrientation() const;
  int DefPaper() const;
  double DefPaperHeight() const;
  double DefPaperWidth() const;
  int DefDuplex() const;
  int DefBin() const;
  TrepPrinterDPI DPI() const;
  std::string FileName() const;
  void SetFileName(const std::string& Value);
  bool Initialized() const;
  const std::string& Name() const { return FName; }
  int Paper() const;
  double PaperHeight() const;
  double PaperWidth() const;
  double LeftMargin() const;
  double TopMargin() const;
  double RightMargin() const;
  double BottomMargin() const;
  TPrinterOrientation Orientation() const;
  const std::string& Port() const { return FPort; }
  bool Printing() const;
  std::string Title() const;
  void SetTitle(const std::string& Value);

protected:
  int FBin = -1;
  int FDuplex = -1;
  rt::TStringList FBins;
  std::unique_ptr<TrepPrinterCanvas> FCanvas;
  TPrinterOrientation FDefOrientation = poPortrait;
  int FDefPaper = 0;
  double FDefPaperHeight = 0;
  double FDefPaperWidth = 0;
  int FDefDuplex = 0;
  int FDefBin = 0;
  TrepPrinterDPI FDPI;
  std::string FFileName;
  bool FInitialized = false;
  std::string FName;
  int FPaper = 0;
  rt::TStringList FPapers;
  double FPaperHeight = 0;
  double FPaperWidth = 0;
  double FLeftMargin = 0;
  double FTopMargin = 0;
  double FRightMargin = 0;
  double FBottomMargin = 0;
  TPrinterOrientation FOrientation = poPortrait;
  std::string FPort;
  bool FPrinting = false;
  std::string FTitle;
};

// The printer of a machine without printers: 600 dots per inch, A4 portrait by default, every
// paper of the table, 5 mm margins; document operations do nothing.
class TrepVirtualPrinter : public TrepCustomPrinter {
public:
  using TrepCustomPrinter::TrepCustomPrinter;
  void Init() override;
  void Abort() override {}
  void BeginDoc() override {}
  void BeginPage() override {}
  void BeginRAWDoc() override {}
  void EndDoc() override {}
  void EndPage() override {}
  void EndRAWDoc() override {}
  void WriteRAWDoc(const std::string&) override {}
  void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                     TPrinterOrientation AOrientation) override;
  // As SetViewParams, then the tray; copies and duplex do not apply.
  void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight, TPrinterOrientation AOrientation,
                      int ABin, int ADuplex, int ACopies) override;
  void PropertiesDlg() override {}
};

// ---------------------------------------------------------------------------------------------
// The platform's print spooler, as the physical printers use it.

// The settings a driver keeps for a document (sizes in tenths of a millimetre).
struct TrepDeviceMode {
  int Paper = 0;
  TPrinterOrientation Orientation = poPortrait;
  int PaperLength = 0;
  int PaperWidth = 0;
  int DefaultSource = 0;  // tray
  int Duplex = 1;
  int Copies = 1;
};

// What a printer's context reports, in dots.
struct TrepDeviceCaps {
  int LogPixelsX = 0, LogPixelsY = 0;
  int PhysicalWidth = 0, PhysicalHeight = 0;
  int PhysicalOffsetX = 0, PhysicalOffsetY = 0;
  int HorzRes = 0, VertRes = 0;  // printable width and height
};

// A paper or tray of a device: its number and name.
struct TrepDeviceEntry {
  int Number = 0;
  std::string Name;
};

// One printer opened through the spooler. Its context is an information context, or a device
// context while a document prints.
class TrepPrinterDevice {
public:
  virtual ~TrepPrinterDevice() = default;
  // The driver's current settings; false when it gives none.
  virtual bool GetDeviceMode(TrepDeviceMode& Mode) = 0;
  // (Re)makes the context with the settings; false when the driver refuses.
  virtual bool CreateContext(const TrepDeviceMode& Mode, bool ForPrinting) = 0;
  // Of the current context; false without one.
  virtual bool GetDeviceCaps(TrepDeviceCaps& Caps) = 0;
  virtual std::vector<TrepDeviceEntry> GetPapers() = 0;
  virtual std::vector<TrepDeviceEntry> GetBins() = 0;
  virtual bool StartDoc(const std::string& Title, const std::string& OutputFile) = 0;
  virtual bool StartPage() = 0;
  virtual bool EndPage() = 0;
  virtual bool EndDoc() = 0;
  virtual bool AbortDoc() = 0;
  // A document of raw printer data, one page.
  virtual bool StartRawDoc(const std::string& Title) = 0;
  virtual bool WriteRaw(const std::string& Data) = 0;
  virtual bool EndRawDoc() = 0;
  // The driver's properties dialog over Mode; true when the user confirmed.
  virtual bool PropertiesDialog(TrepDeviceMode& Mode) = 0;
};

class TrepPrintSpooler {
public:
  struct TPrinterEntry {
    std::string Name, Port;
  };
  virtual ~TrepPrintSpooler() = default;
  // The local and connected printers.
  virtual std::vector<TPrinterEntry> EnumPrinters() = 0;
  virtual std::string DefaultPrinter() = 0;
  // nullptr when the printer cannot be opened.
  virtual std::unique_ptr<TrepPrinterDevice> OpenPrinter(const std::string& Name) = 0;
};

// This server's spooler: no printers.
TrepPrintSpooler& PlatformSpooler();

// A printer of the spooler. A printer that cannot be opened, or whose driver gives no settings or
// capabilities, stays uninitialised and does nothing.
class TrepPrinter : public TrepCustomPrinter {
public:
  TrepPrinter(const std::string& AName, const std::string& APort, TrepPrintSpooler& Spooler);
  ~TrepPrinter() override;
  void Init() override;
  void Abort() override;
  void BeginDoc() override;
  void BeginPage() override;
  void BeginRAWDoc() override;
  void EndDoc() override;
  void EndPage() override;
  void EndRAWDoc() override;
  void WriteRAWDoc(const std::string& buf) override;
  void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                     TPrinterOrientation AOrientation) override;
  void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight, TPrinterOrientation AOrientation,
                      int ABin, int ADuplex, int ACopies) override;
  void PropertiesDlg() override;

  // The device's lists are read into buffers of this many entries; names are cut to the length.
  static constexpr int MaxPapers = 512, MaxBins = 256;
  static constexpr int PaperNameLength = 64, BinNameLength = 24;
  // The document title when none is set.
  static constexpr const char* DefaultTitle = "Report";

private:
  // Resolution, paper size and margins from the context; false (sizes kept) when it fails.
  bool UpdateDeviceCaps();
  bool ResetContext();

  TrepPrintSpooler& FSpooler;
  std::unique_ptr<TrepPrinterDevice> FDevice;  // open while initialised
  std::string FDriver;
  TrepDeviceMode FMode;
};

// ---------------------------------------------------------------------------------------------

class TrepPrinters : public rt::TObject {
public:
  // Fills the list from the platform's spooler, or from the one given.
  TrepPrinters();
  explicit TrepPrinters(TrepPrintSpooler& Spooler);
  TrepPrinters(const TrepPrinters&) = delete;
  TrepPrinters& operator=(const TrepPrinters&) = delete;
  ~TrepPrinters() override;

  // Frees the printers and empties the list.
  void Clear();
  // The spooler's printers ordered by name, or the virtual printer when it lists none; then the
  // default printer is selected.
  void FillPrinters();
  // Letter case ignored; -1 when absent.
  int IndexOf(const std::string& AName) const;
  // nullptr for a negative index; rt::EListError past the end.
  TrepCustomPrinter* GetItem(int Index) const;
  TrepCustomPrinter* Items(int Index) const { return GetItem(Index); }
  int Count() const;
  bool HasPhysicalPrinters() const;
  // The selected printer; nullptr only after Clear.
  TrepCustomPrinter* Printer() const;
  int PrinterIndex() const;
  // Selects and initialises a printer; -1 selects the default printer (the first when the
  // default is not listed). rt::EListError for a position outside the list.
  void SetPrinterIndex(int Value);
  // Filled by FillPrinters.
  const rt::TStringList& Printers() const { return FPrinters; }

private:
  int DefaultPrinterIndex() const;

  TrepPrintSpooler& FSpooler;
  bool FHasPhysicalPrinters = false;
  rt::TStringList FPrinters;
  int FPrinterIndex = -1;
  std::vector<std::unique_ptr<TrepCustomPrinter>> FPrinterList;
};

// The process-wide printer list, made on first use (safely from any thread) and freed at exit.
TrepPrinters& GetPrinters();
