#include "planning/volume_planner.h"

#include <cstdio>

#include "planning/capacity_expression.h"
#include "planning/media_table.h"

namespace voltrak {

namespace {

// Fills volumes in list order. A track fits only when it is strictly
// smaller than the space left, so one that exactly fills it opens the next
// volume.
void Fill(Playlist& playlist, FillBy mode, uint32_t capacity, uint32_t reserve,
          bool reservedSplit) {
  uint32_t space = reserve > capacity ? 0 : capacity - reserve;
  uint32_t volume = 0;
  uint32_t position = 0;
  bool overflowing = false;  // reserved split: the rest all goes to volume 1
  for (MP3Information& track : playlist.Tracks) {
    uint32_t measure = MeasureOf(track, mode);
    if (!overflowing && measure < space) {
      space -= measure;
    } else if (reservedSplit) {
      if (!overflowing) {
        overflowing = true;
        volume = 1;
        position = 0;
        space = 0;
      }
    } else {
      volume += 1;
      position = 0;
      space = measure > capacity ? 0 : capacity - measure;
    }
    track.Volume = volume;
    track.VolumeTrack = position;
    position += 1;
  }
}

std::string Title(const PlanningSettings& settings, const Playlist& playlist,
                  std::string_view path) {
  bool loaded = playlist.TrackCount() != 0;
  if ((settings.MediumKB == 0 && settings.MediumSeconds == 0) || path.empty() || !loaded) {
    return std::string(kProgramName) + " - " + kAuthorCredit;
  }
  std::string title(FileNamePart(path));
  uint32_t volumes = playlist.Tracks.back().Volume + 1;
  if (settings.FillMode == kFillByTime && settings.MediumSeconds != 0 &&
      playlist.TotalSeconds != 0) {
    title += " - (" + Decimal(volumes) + "/" +
             Decimal(playlist.TotalSeconds / settings.MediumSeconds + 1) + ") " +
             HoursMinutesSeconds(playlist.TotalSeconds, true) + "/" +
             HoursMinutesSeconds(settings.MediumSeconds, true);
  } else if (settings.FillMode == kFillBySize && settings.MediumKB != 0 &&
             playlist.TotalKB != 0) {
    title += " - (" + Decimal(volumes) + ") " + Decimal(playlist.TotalKB) + " " +
             Decimal(settings.MediumKB);
  }
  return title;
}

}  // namespace

bool ChooseMedium(PlanningSettings& settings, size_t row) {
  if (row >= kMediumCount) return false;
  settings.MediumSeconds = MediaTable[row].Seconds;
  settings.MediumKB = MediaTable[row].KB;
  return true;
}

bool ChooseFillMode(PlanningSettings& settings, uint32_t fillMode) {
  if (fillMode > kFillBySize) return false;
  settings.FillMode = static_cast<FillBy>(fillMode);
  return true;
}

bool EnterCapacity(PlanningSettings& settings, CapacityField field, std::string_view text) {
  text = text.substr(0, kMaxCapacityTextLength);
  const CapacityReading reading = ReadCapacity(text);
  const uint32_t value = reading.Value;
  uint32_t* target = nullptr;
  if (settings.FillMode == kFillByTime) {
    target = field == CapacityField::kMedium ? &settings.MediumSeconds : &settings.ReserveSeconds;
  } else if (settings.FillMode == kFillBySize) {
    target = field == CapacityField::kMedium ? &settings.MediumKB : &settings.ReserveKB;
  }
  if (target == nullptr) return !reading.Wrapped;
  bool fits = !reading.Wrapped;
  if (!text.empty() && text.front() == '+') {
    fits = fits && *target <= UINT32_MAX - value;
    *target += value;
  } else if (!text.empty() && text.front() == '-') {
    fits = fits && value <= *target;
    *target -= value;
  } else {
    *target = value;
  }
  return fits;
}

uint32_t MeasureOf(const MP3Information& track, FillBy mode) {
  return mode == kFillByTime ? track.PlayLength : mode == kFillBySize ? track.FileSize : 0;
}

uint32_t CapacityOf(const PlanningSettings& settings) {
  return settings.FillMode == kFillByTime   ? settings.MediumSeconds
         : settings.FillMode == kFillBySize ? settings.MediumKB
                                            : 0;
}

uint32_t ParseMaximumVolumes(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  size_t digitsStart = i;
  uint64_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > UINT32_MAX) return 0;
    ++i;
  }
  if (i == digitsStart) return 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return i == text.size() ? static_cast<uint32_t>(value) : 0;
}

PlanTexts PlanVolumes(const PlanningSettings& settings, Playlist& playlist,
                      std::string_view currentPlaylistPath) {
  PlanTexts texts;
  switch (settings.FillMode) {
    case kFillByTime:
      Fill(playlist, kFillByTime, settings.MediumSeconds, settings.ReserveSeconds,
           settings.ReservedSplit);
      texts.PlayList = HoursMinutesSeconds(playlist.TotalSeconds, false);
      texts.Medium = HoursMinutesSeconds(settings.MediumSeconds, false);
      texts.Reserve = HoursMinutesSeconds(settings.ReserveSeconds, false);
      break;
    case kFillBySize:
      Fill(playlist, kFillBySize, settings.MediumKB, settings.ReserveKB, settings.ReservedSplit);
      texts.PlayList = Decimal(playlist.TotalKB);
      texts.Medium = Decimal(settings.MediumKB);
      texts.Reserve = Decimal(settings.ReserveKB);
      break;
    default: {
      uint32_t index = 0;
      for (MP3Information& track : playlist.Tracks) {
        track.Volume = 0;
        track.VolumeTrack = index++;
      }
      break;
    }
  }
  // Volumes never decrease along the list, so capping keeps each volume one
  // run of tracks; the positions of the merged tracks stay as they were.
  uint32_t limit = settings.MaximumVolumes;
  if (limit != 0) {
    for (MP3Information& track : playlist.Tracks) {
      if (track.Volume > limit) track.Volume = limit;
    }
  }
  texts.Title = Title(settings, playlist, currentPlaylistPath);
  texts.TotalKB = Decimal(playlist.TotalKB);
  return texts;
}

}  // namespace voltrak
