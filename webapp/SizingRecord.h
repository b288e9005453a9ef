#pragma once
// The sizing record: one line of ';'-separated fields that describes a whole sizing. It is the
// content of a sizing file and the preset kept in the preferences cookie. Both come back from
// outside the program, so a record is read and checked whole before anything uses it.
//
// Free texts may hold the separators: every field is written with '%', ';' and '~' (and control
// characters) as percent escapes, and read back with those escapes decoded. A record written
// without escapes still reads, as long as its texts hold no separator.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace sizing {

// Largest sizing file accepted; a real one is a few hundred bytes.
constexpr std::size_t MaxFileSize = 64 * 1024;

// The fluid field: twelve sub-fields joined by '~', the same positions for every fluid state.
struct TSizingFluid {
  std::string Name;             // 0 the selected fluid
  std::string SG;               // 1 text of the Min specific-gravity edit
  std::string CPorComp;         // 2 Min critical pressure (liquid) or compressibility (gas) edit
  std::string CritTemp;         // 3 session number
  std::string Visc;             // 4 Min viscosity edit
  std::string SpecHeat;         // 5 session number
  std::string VPorSH;           // 6 Min vapour pressure (liquid) or specific heat ratio (gas) edit
  std::string Temp;             // 7 Min temperature edit
  std::string Compress;         // 8 session number
  std::string NonAmbient;       // 9 "-1" or "0"
  std::string Superheatfactor;  // 10 session number
  std::string TempUnit;         // 11 temperature unit text

  friend bool operator==(const TSizingFluid&, const TSizingFluid&) = default;
};

// The texts of one condition's property edits.
struct TConditionProperties {
  std::string SG, Visc, VP, CP;

  friend bool operator==(const TConditionProperties&, const TConditionProperties&) = default;
};

// One sizing, every field as the text written in the record.
struct TSizingRecord {
  std::string ValveType;            // 0
  std::string CvMode;               // 1 "-1": Cv mode, else flow mode
  std::string Linear;               // 2 "-1": linear characteristic, else equal percentage
  std::string State;                // 3 "Liquid", "Gas" or "Steam"
  TSizingFluid Fluid;               // 4
  std::string Size;                 // 5 inches, two decimals
  std::string Cv;                   // 6
  std::string FlowUnit;             // 7
  std::array<std::string, 3> Flow;  // 8-10 Min, Norm, Max (the user's Cv in flow mode)
  std::string PressureUnit;         // 11
  std::array<std::string, 3> P1;    // 12-14
  std::array<std::string, 3> P2;    // 15-17
  std::string TempUnit;             // 18
  std::array<std::string, 3> Temp;  // 19-21
  std::string UpDiam;               // 22
  std::string DownDiam;             // 23
  std::string Schedule;             // 24
  std::string ValveFamily;          // 25 valve id as an integer text
  std::string Tag;                  // 26
  std::string LinkedDiams;          // 27 "-1" or "0"
  std::string User;                 // 28
  std::string Style;                // 29 style marker; empty: none selected (31 fields written)
  std::string Customer;             // 30
  std::string LineItem;             // 31
  // 32 "Gauge" or "Absolute". Empty: a record of an older writer, which kept no pressure mode and
  // wrote 31 or 32 fields; with a mode the record always has 34 (the style field may be empty).
  std::string PressureMode;
  // 33 the property edits of the Norm and Max conditions (the Min ones are in the fluid field),
  // eight sub-fields joined by '~'. Only in records with a pressure mode.
  std::array<TConditionProperties, 2> NormMax;

  friend bool operator==(const TSizingRecord&, const TSizingRecord&) = default;
};

// Style markers, one per style radio.
extern const char* const StyleMarkers[6];  // "VXGlobe", "VXGate", "LFLowflow", "LFGlobe", "PLLowflow", "PLGlobe"

// '%', ';', '~' and control characters as %XX.
std::string EscapeField(std::string_view text);
// Decodes the escapes EscapeField writes; every other '%' stays as it is.
std::string UnescapeField(std::string_view text);

// Texts of the pressure-mode field.
extern const char* const GaugeMode;     // "Gauge"
extern const char* const AbsoluteMode;  // "Absolute"

// The record line: 34 fields when PressureMode is set; without it as older writers wrote it, 32
// fields, or 31 when Style is empty (customer and line item move up by one).
std::string FormatRecord(const TSizingRecord& record);

// Reads and checks a whole record: 31, 32 or 34 fields, twelve fluid sub-fields, numbers where
// numbers belong (empty allowed for the entries of a condition), Booleans where Booleans belong,
// a known fluid state and pressure mode. The fluid name may be empty (a form with no fluid
// chosen). On failure returns false with a one-line reason for the user and leaves
// record alone. A trailing line end is ignored.
bool ParseRecord(std::string_view text, TSizingRecord& record, std::string& error);

// A pipe diameter as the form shows it: a text that begins with "." has every "." written "0.".
std::string FixLeadingDecimal(const std::string& text);

// Boolean texts as the records and cookies carry them: "-1" and other non-zero numbers are true,
// "0" is false, "True" and "False" in any letter case. False for any other text.
bool TryReadBool(std::string_view text, bool& value);
// "-1" or "0".
inline const char* BoolText(bool value) { return value ? "-1" : "0"; }

// The sizing file's bytes: the record in the Windows western 8-bit code page, no line end;
// characters that code page lacks travel as percent escapes of their UTF-8 bytes.
std::string EncodeFile(std::string_view record);
// The record text of a file's bytes, escaped UTF-8 sequences restored. The encoding is decided by
// markers, not guessed, wherever a marker exists:
//  - leading UTF-8 byte-order marks (any number, as editors may add them) are dropped, and the
//    rest is UTF-8 (or the 8-bit code page if it is not valid UTF-8);
//  - a record that carries the pressure-mode field is ours, and ours are always 8-bit: read in
//    the code page even when its bytes happen to form UTF-8 ("\xD8\xBE" is "Ø¾", not "ؾ");
//  - older records, which lack both: UTF-8 when the bytes are valid UTF-8 with at least one
//    multi-byte character (saved by an editor), else the code page.
std::string DecodeFile(std::string_view bytes);

// Checks an uploaded file whole (size, text, record) and reads it. On failure returns false with
// a one-line reason.
bool ReadFile(std::string_view bytes, TSizingRecord& record, std::string& error);

}  // namespace sizing
