// Dividing the list into volumes that each fit one medium, and the planning
// settings the main window edits. The window only moves values between its
// controls and these functions; every rule lives here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "playlist/track_record.h"
#include "support/text_forms.h"

namespace voltrak {

// FillMode: what is measured; the row of the fill mode list.
enum FillBy : uint32_t {
  kFillNoSplitting = 0,
  kFillByTime = 1,
  kFillBySize = 2,
};
inline constexpr std::array<const char*, 3> kFillModeNames = {
    "No Splitting", "Split by time", "Split by size"};


struct PlanningSettings {
  FillBy FillMode = kFillNoSplitting;  // the stored setting replaces this
  uint32_t MediumSeconds = 4800;         // the first medium's capacity
  uint32_t MediumKB = 716800;
  uint32_t ReserveSeconds = 0;           // already used on the first volume
  uint32_t ReserveKB = 0;
  bool ReservedSplit = false;            // fill only the first volume
  uint32_t MaximumVolumes = 0;           // highest volume number; 0 = no limit
};

// What a plan shows: the window title and the four read-outs.
struct PlanTexts {
  std::string Title;
  std::string PlayList;  // 1005 "Play List:"
  std::string Medium;    // 1007 "Medium:"
  std::string Reserve;   // 1008 "Reserve 1st:"
  std::string TotalKB;   // 1013
};

// The two capacity edits.
enum class CapacityField {
  kMedium,   // 1007
  kReserve,  // 1008
};

// Medium list 1046 changed: both capacities come from the row, whatever the
// fill mode; the reserves stay. A row outside the table (no selection)
// changes nothing and gives false.
bool ChooseMedium(PlanningSettings& settings, size_t row);

// Fill mode list 1057 changed. A value outside 0..2 changes nothing and
// gives false.
bool ChooseFillMode(PlanningSettings& settings, uint32_t fillMode);

// A capacity edit lost the focus with this text (only its first 1023
// characters count, as the field holds no more). A leading "+" adds the
// value to the field's setting, a leading "-" subtracts it, anything else
// replaces it, modulo 2^32. The setting is the one of the current fill mode;
// with no splitting the text is evaluated and nothing is stored. False when
// a step wrapped (ReadCapacity's Wrapped, or a sum or difference with the
// setting that left 32 bits): the window takes the wrapped value as it is.
bool EnterCapacity(PlanningSettings& settings, CapacityField field, std::string_view text);

// What planning measures a track by in `mode`: its play length by time, its
// file size by size; 0 with no splitting.
uint32_t MeasureOf(const MP3Information& track, FillBy mode);

// One volume's capacity in the settings' fill mode (MediumSeconds or
// MediumKB); 0 with no splitting.
uint32_t CapacityOf(const PlanningSettings& settings);

// The volume limit edit's text: a decimal number with optional blanks around
// it; any other text, or one past 32 bits, is 0.
uint32_t ParseMaximumVolumes(std::string_view text);


// Gives every track its Volume and VolumeTrack and returns the title and
// read-outs. The plan depends only on its arguments and keeps no state.
PlanTexts PlanVolumes(const PlanningSettings& settings, Playlist& playlist,
                      std::string_view currentPlaylistPath);

}  // namespace voltrak
