#include "outputs/html_report.h"

#include <array>
#include <cstdio>
#include <new>
#include <vector>

#include "support/whole_path.h"

namespace voltrak {
namespace {

// The page's texts that do not come from the list.
constexpr const char* kBackToTop = "</P><P><I><A HREF=\"#TOP\">Back to top</A></I></P>";
constexpr const char* kTimeRow = "<TR><TD>%s:</TD><TD ALIGN=\"RIGHT\">%s</TD></TR>";
constexpr const char* kCountRow = "<TR><TD>%s:</TD><TD ALIGN=\"RIGHT\">%u</TD></TR>";

// Escapes as HtmlText does, straight into `out`.
void AppendHtml(std::string& out, std::string_view text) {
  size_t plain = 0;  // the start of the run of bytes that stay as they are
  for (size_t i = 0; i < text.size(); ++i) {
    const char* replacement;
    switch (text[i]) {
      case '\0': out.append(text.data() + plain, i - plain); return;
      case '&': replacement = "&amp;"; break;
      case '<': replacement = "&lt;"; break;
      case '>': replacement = "&gt;"; break;
      case '"': replacement = "&quot;"; break;
      default: continue;
    }
    out.append(text.data() + plain, i - plain);
    out += replacement;
    plain = i + 1;
  }
  out.append(text.data() + plain, text.size() - plain);
}

// `path` in a URL: slashes for backslashes, and what a URL reads as more
// than a name percent-encoded.
void AppendUrlPath(std::string& out, std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += '/';
    } else if (byte <= ' ' || byte >= 0x7F || c == '#' || c == '%' || c == '?') {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
}

// The file link of a track and its name, as every table shows them.
void AppendLinkAndName(std::string& out, const MP3Information& record,
                       std::string_view playlistPath) {
  out += "<TD><A HREF=\"";
  AppendHtml(out, FileLinkOf(PathText(record), playlistPath));
  out += "\" TARGET=\"NEW\">";
  AppendHtml(out, ShownName(record));
  out += "</A></TD>";
}

// printf's %u, %0Nu and %Nu, without reading a format for each of the
// hundreds of thousands of rows a long list has.
void AppendNumber(std::string& out, uint32_t value, size_t width = 0, char pad = '0') {
  char digits[10];
  size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (size_t i = count; i < width; ++i) out += pad;
  while (count != 0) out += digits[--count];
}

// A track's Empty Time: minutes (three places) and seconds, signed.
std::string MinutesSeconds(uint32_t difference) {
  bool over = static_cast<int32_t>(difference) < 0;
  uint32_t magnitude = over ? 0u - difference : difference;
  char minutes[16];
  std::snprintf(minutes, sizeof minutes, "%s%u", over ? "-" : "", magnitude / 60);
  char text[32];
  std::snprintf(text, sizeof text, "%3s:%02u", minutes, magnitude % 60);
  return text;
}

class ReportWriter {
 public:
  ReportWriter(Playlist& playlist, const ReportSettings& settings, OutputDocument& file,
               OutputHost& host)
      : tracks_(playlist.Tracks),
        playlist_(playlist),
        settings_(settings),
        file_(file),
        host_(host),
        volumes_(tracks_.back().Volume + 1),
        timeMode_(settings.Planning.FillMode == kFillByTime && !settings.Planning.ReservedSplit) {}

  void Write(std::string_view playlistPath, const LocalTime& now) {
    playlistPath_ = playlistPath;
    CountTags();
    listing_ = PrepareListings();
    Header(playlistPath, now);
    Summary();
    VolumeTables();
    Listings();
    LoadErrors();
    file_.Line(std::string(kBackToTop) + "</HTML></BODY>");
  }

 private:
  bool LastOfVolume(size_t i) const {
    return i + 1 == tracks_.size() || tracks_[i + 1].Volume != tracks_[i].Volume;
  }

  // The first pass: the waste of every volume that holds tracks, and the tags.
  void CountTags() {
    uint32_t volumeSeconds = 0;
    for (size_t i = 0; i < tracks_.size(); ++i) {
      const MP3Information& track = tracks_[i];
      if (i == 0 || track.Volume != tracks_[i - 1].Volume) volumeSeconds = 0;
      volumeSeconds += track.PlayLength;
      if (LastOfVolume(i)) wasted_ += settings_.Planning.MediumSeconds - volumeSeconds;
      bool title = !track.TagTitle().empty(), artist = !track.TagArtist().empty(),
           album = !track.TagAlbum().empty();
      if (title && artist && album) ++totallyTagged_;
      if (title || artist || album) ++partiallyTagged_;
    }
  }

  void Header(std::string_view playlistPath, const LocalTime& now) {
    const std::string base = HtmlText(BaseNameOf(playlistPath));
    // The playlist as this system names it, and a link that reaches it.
    const std::string path = HtmlText(NativePathOf(playlistPath).value_or(std::string(playlistPath)));
    const std::string link = HtmlText(FileLinkOf(playlistPath, playlistPath));
    const std::string site = HtmlText(settings_.MakerWebAddress);
    file_.LineF("<TITLE>%s playlist information</TITLE>", base.c_str());
    file_.Line("<html><body>");
    file_.LineF("<P ALIGN=\"CENTER\"><B>%s</B> playlist information<BR>", base.c_str());
    file_.LineF("<I><A HREF=\"%s\" TARGET=\"NEW\">%s</A></I></P>", link.c_str(), path.c_str());
    file_.LineF("<P ALIGN=\"CENTER\">Report generated %04u/%02u/%02u %2u:%02u:%02u", now.Year,
                now.Month, now.Day, now.Hour, now.Minute, now.Second);
    file_.Line("<H2 ALIGN=\"CENTER\">Report generated by Voltrak</H2>");
    file_.LineF("<H3 ALIGN=\"CENTER\"><A HREF=\"%s\" TARGET=\"NEW\">%s %s</A></H3>", site.c_str(),
                kProgramName, kAuthorCredit);
    file_.Line("<P ALIGN=\"CENTER\">Questions, praise and bug reports are welcome<BR>"
               "through the Voltrak web site<BR>" + site + "</P>");
    file_.LineF("<H3 ALIGN=\"CENTER\"><A HREF=\"%s\" TARGET=\"NEW\">%s</A></H3>", site.c_str(),
                site.c_str());
    file_.LineF("<HR><P ALIGN=\"CENTER\"><A NAME=\"TOP\"><B>%s</B> playlist information</P>",
                base.c_str());
    file_.Line("<TABLE WIDTH=\"100%\"><TR><TD VALIGN=\"TOP\">");
    file_.Line("<P>Volumes ");
    for (uint32_t v = 0; v < volumes_; ++v) {
      file_.LineF("<A HREF=\"#VOLUME%05u\">%u</A>", v, v + 1);
    }
    for (const ReportListing& listing : kReportListings) {
      if (settings_.Options.*listing.Switch) {
        file_.LineF("<P><A HREF=\"#%s\">%s</A></P>", listing.Anchor, listing.Caption);
      }
    }
    file_.Line("</TD><TD ALIGN=\"RIGHT\">");
    file_.Line("<H3><A NAME=\"SUMMARY\">Summary</H3><TABLE>");
  }

  void TimeRow(const char* caption, const std::string& time) {
    file_.LineF(kTimeRow, caption, time.c_str());
  }

  void Summary() {
    const Playlist& list = playlist_;
    const uint32_t medium = settings_.Planning.MediumSeconds;
    const uint32_t averageVolume = list.TotalSeconds / volumes_;
    file_.LineF("<TR VALIGN=\"TOP\"><TD>Total Volumes:</TD><TD ALIGN=\"RIGHT\">%u</TD></TR>",
                volumes_);
    file_.LineF("<TR VALIGN=\"TOP\"><TD>Total Tracks:</TD><TD ALIGN=\"RIGHT\">%u</TD></TR>",
                list.TrackCount());
    TimeRow("Average Track Time", HoursMinutesSeconds(list.TotalSeconds / list.TrackCount(), false));
    if (timeMode_) TimeRow("Total Volume Time", HoursMinutesSeconds(volumes_ * medium, false));
    TimeRow("Total Audio Time", HoursMinutesSeconds(list.TotalSeconds, false));
    if (timeMode_) {
      TimeRow("Total Wasted Time", SignedHoursMinutesSeconds(wasted_));
      TimeRow("Specified Volume Time", HoursMinutesSeconds(medium, false));
    }
    TimeRow("Average Volume Time", HoursMinutesSeconds(averageVolume, false));
    if (timeMode_) TimeRow("Average Wasted Time", SignedHoursMinutesSeconds(medium - averageVolume));
    if (list.LoadErrors != 0) {
      file_.LineF("<TR><TD><A HREF=\"#LoadErrors\">Load Errors</TD></A>"
                  "<TD ALIGN=\"RIGHT\">%u</TD></TR>",
                  list.LoadErrors);
    }
    file_.LineF(kCountRow, "Partially Untagged", list.TrackCount() - partiallyTagged_);
    file_.LineF(kCountRow, "Totally Untagged", list.TrackCount() - totallyTagged_);
    file_.LineF(kCountRow, "Partially Tagged", partiallyTagged_);
    file_.LineF(kCountRow, "Totally Tagged", totallyTagged_);
    file_.Line("</TABLE>");
    file_.Line("</TD></TR></TABLE>");
  }

  void VolumeTables() {
    size_t first = 0;
    uint32_t volumeSeconds = 0;
    for (size_t i = 0; i < tracks_.size(); ++i) {
      MP3Information& track = tracks_[i];
      if (i == 0 || track.Volume != tracks_[first].Volume) {
        first = i;
        volumeSeconds = 0;
        file_.LineF("</TR></TABLE><HR><A NAME=\"VOLUME%05u\"><h3>Volume %u of %u <I><A "
                    "HREF=\"#TOP\">Back to top</A></I></h3><TABLE WIDTH=\"100%%\"><TR>",
                    track.Volume, track.Volume + 1, volumes_);
      }
      volumeSeconds += track.PlayLength;
      file_.Line("<TR>");
      if (!track.TrackName()) host_.NoTrackName();
      const uint32_t index = static_cast<uint32_t>(i);
      const size_t cell = cells_.size();
      if (listing_) {
        std::string_view name = ShownName(track);
        listed_.push_back({track.Volume, track.VolumeTrack,
                           static_cast<unsigned char>(name.empty() ? '\0' : name[0])});
        cellStart_.push_back(cell);
        AppendLinkAndName(cells_, track, playlistPath_);
      }
      row_.assign("<TD ALIGN=\"RIGHT\">");
      AppendNumber(row_, index - static_cast<uint32_t>(first) + 1);
      row_ += "</TD><TD><A NAME=\"TRACK";
      AppendNumber(row_, index, 5);
      row_ += "\"></TD><TD ALIGN=\"RIGHT\">(";
      AppendNumber(row_, index + 1);
      row_ += ")</TD>";
      if (listing_) {
        row_.append(cells_, cell, std::string::npos);
      } else {
        AppendLinkAndName(row_, track, playlistPath_);
      }
      row_ += "<TD ALIGN=\"RIGHT\">";
      AppendNumber(row_, track.PlayLength / 60, 3, ' ');
      row_ += ':';
      AppendNumber(row_, track.PlayLength % 60, 2);
      row_ += "</TD>";
      file_.Line(row_);
      file_.Line("</TR>");
      if (!LastOfVolume(i)) continue;
      file_.LineF("<TR><TD></TD><TD></TD><TD></TD><TD ALIGN=\"RIGHT\"><B>Total Time:</B></TD>"
                  "<TD ALIGN=\"RIGHT\"><B>%s</B></TD></TR>",
                  HoursMinutesSeconds(volumeSeconds, false).c_str());
      if (timeMode_) {
        file_.LineF("<TR><TD></TD><TD></TD><TD></TD><TD ALIGN=\"RIGHT\"><I>Empty Time:</I></TD>"
                    "<TD ALIGN=\"RIGHT\"><I>%s</I></TD></TR>",
                    MinutesSeconds(settings_.Planning.MediumSeconds - volumeSeconds).c_str());
      }
    }
    file_.Line("</TABLE>");
    cellStart_.push_back(cells_.size());
  }

  // Whether any listing is on and its tables could be had.
  bool PrepareListings() {
    bool any = false;
    for (const ReportListing& listing : kReportListings) {
      any = any || settings_.Options.*listing.Switch;
    }
    if (!any) return false;
    try {
      listed_.reserve(tracks_.size());
      cellStart_.reserve(tracks_.size() + 1);
      return true;
    } catch (const std::bad_alloc&) {
      return false;  // the listings are left out; the rest of the page still comes
    }
  }

  void Listings() {
    if (!listing_) return;
    std::vector<EntryRef> entries;
    try {
      entries = EntryRefsOf(playlist_);
    } catch (const std::bad_alloc&) {
      return;
    }
    // Each first byte of a name is anchored once, where it first appears.
    std::array<bool, 256> anchored{};
    for (const ReportListing& listing : kReportListings) {
      if (!(settings_.Options.*listing.Switch)) continue;
      SortEntries(entries, listing.Order);
      file_.LineF("<HR><H3 ALIGN=\"CENTER\"><A NAME=\"%s\">%s</H3><P>", listing.Anchor,
                  listing.Caption);
      file_.Line("<P ALIGN=\"CENTER\">");
      file_.Line("</P><TABLE>");
      for (const EntryRef& entry : entries) {
        const Listed& track = listed_[entry.Index];
        // An empty name has no first character to anchor; nor has a NUL.
        if (track.First != 0 && !anchored[track.First]) {
          anchored[track.First] = true;
          row_.assign("<A NAME=\"");
          AppendHtml(row_, std::string_view(reinterpret_cast<const char*>(&track.First), 1));
          row_ += " Titles\">";
          file_.Line(row_);
        }
        row_.assign("<TR><TD><A HREF=\"#VOLUME");
        AppendNumber(row_, track.Volume, 5);
        row_ += "\">";
        AppendNumber(row_, track.Volume + 1, 3);
        row_ += "</A>-<A HREF=\"#TRACK";
        AppendNumber(row_, entry.Index, 5);
        row_ += "\">";
        AppendNumber(row_, track.VolumeTrack + 1, 3);
        row_ += "</A></TD><TD ALIGN=\"RIGHT\">";
        AppendNumber(row_, entry.Index + 1);
        row_ += "</TD>";
        row_.append(cells_, cellStart_[entry.Index],
                    cellStart_[entry.Index + 1] - cellStart_[entry.Index]);
        row_ += "</TR>";
        file_.Line(row_);
      }
      file_.Line("</TABLE>");
    }
  }

  void LoadErrors() {
    if (playlist_.LoadErrors == 0) return;
    file_.Line(std::string(kBackToTop) +
               "<HR><H3><A NAME=\"LoadErrors\">Load Errors</H3><P>");
    for (size_t i = 0; i < tracks_.size(); ++i) {
      if (tracks_[i].Loaded != 0) continue;
      file_.LineF("<BR>(%3u) - %s", static_cast<uint32_t>(i + 1),
                  HtmlText(ShownName(tracks_[i])).c_str());
    }
  }

  std::vector<MP3Information>& tracks_;
  const Playlist& playlist_;
  const ReportSettings& settings_;
  OutputDocument& file_;
  OutputHost& host_;
  std::string_view playlistPath_;  // the entries' links start from its folder
  const uint32_t volumes_;
  const bool timeMode_;
  uint32_t wasted_ = 0;  // 32-bit seconds; read as signed when shown
  uint32_t totallyTagged_ = 0;
  uint32_t partiallyTagged_ = 0;
  std::string row_;  // the row being made, kept for its capacity
  // What every listing shows of a track, made while the volume tables are
  // written, so that the rows of five listings cost a copy each and never
  // go back to the records, scattered in memory as a sorted order meets them.
  struct Listed {
    uint32_t Volume;
    uint32_t VolumeTrack;
    unsigned char First;  // of the name; 0 for none
  };
  bool listing_ = false;
  std::vector<Listed> listed_;
  std::string cells_;  // each track's link and name cells, one after the other
  std::vector<size_t> cellStart_;
};

}  // namespace

std::string FileLinkOf(std::string_view entry, std::string_view playlistPath) {
  std::string link;
  if (!IsWholeWindowsPath(entry) && !IsFromRoot(entry)) {
    AppendUrlPath(link, entry);
    return link;
  }
  const std::string full = ResolveOpenPath(entry, playlistPath);
  if (std::optional<std::string> native = NativePathOf(full)) {
    link = "FILE://";
    AppendUrlPath(link, *native);
  } else if (IsNetworkPath(full)) {
    link = "FILE:";  // the server is the URL's host
    AppendUrlPath(link, full);
  } else {
    link = "FILE:///";
    AppendUrlPath(link, full);
  }
  return link;
}

std::string HtmlText(std::string_view text) {
  std::string out;
  AppendHtml(out, text);
  return out;
}

std::string SignedHoursMinutesSeconds(uint32_t difference) {
  if (static_cast<int32_t>(difference) >= 0) return HoursMinutesSeconds(difference, false);
  return "-" + HoursMinutesSeconds(0u - difference, false);
}

OutputResult WriteHtmlReport(Playlist& playlist, const ReportSettings& settings, Clock& clock,
                             const OutputTarget& target) {
  OutputResult result;
  if (playlist.Tracks.empty() || target.PlaylistPath.empty()) return result;
  OutputDocument file(target, OutputPathOf(target.PlaylistPath, ".html"));
  if (file.Created()) {
    LocalTime now = clock.Now();
    try {
      ReportWriter(playlist, settings, file, target.Host).Write(target.PlaylistPath, now);
    } catch (const std::bad_alloc&) {
      file.Fail(kErrorNotEnoughMemory);  // no half page is left to be taken for a whole one
    }
  }
  file.Finish(result);
  return result;
}

}  // namespace voltrak
