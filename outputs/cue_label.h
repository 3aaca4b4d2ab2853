// The two small whole-list outputs beside the playlist: a CUE sheet that
// describes the list as one WAV image, and a label file of numbered lines.
#pragma once

#include <string>
#include <string_view>

#include "outputs/output_file.h"
#include "playlist/track_record.h"

namespace voltrak {

// The cue sheet's FILE line, without its line end. A name with a blank is
// quoted, as CUE readers split the line at blanks; control characters are
// blanks and a quote an apostrophe, so that the name stays one name.
std::string CueFileLine(std::string_view cuePath);

// playlist.cue: one audio track per entry, each starting where the play
// lengths before it end. Nothing happens without tracks or a playlist path.
OutputResult WriteCueSheet(const Playlist& playlist, const OutputTarget& target);

// playlist.lbl: "#" and the playlist's base name, then one line per entry
// with its number, name and play length.
OutputResult WriteLabelFile(const Playlist& playlist, const OutputTarget& target);

// One cue sheet per volume beside the split lists (NAME-001.cue ...), for
// burning disc by disc: each a disc of its own starting at 00:00:00, with
// REM DISCNUMBER and REM TOTALDISCS as the plan numbers its volumes, the
// playlist's base name as TITLE, and PERFORMER when every track of the
// volume has one and the same tag artist. An empty volume has none.
OutputResult WriteVolumeCueSheets(const Playlist& playlist, const OutputTarget& target);

// One label file per volume beside the split lists (NAME-001.lbl ...):
// "#NAME, volume V of N", then the volume's tracks numbered from 1.
OutputResult WriteVolumeLabels(const Playlist& playlist, const OutputTarget& target);

}  // namespace voltrak
