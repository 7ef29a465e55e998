#include "tools/ffmpeg/LegacyArguments.h"

#include <QSet>
#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

namespace zuvo::ffmpeg {
namespace {

// Settings the old ffmpeg kept program-wide and applied to every output file; 5.1 wants
// them per output (as filters or -fps_mode).
struct GlobalSettings {
  bool deinterlace = false;
  QByteArray volume;   // -vol value; 256 is unity
  QByteArray fpsMode;  // from -vsync
};

// One output file's options while they are rewritten.
struct Output {
  QByteArrayList options;  // translated, in the order given
  QByteArrayList videoFilters;
  QByteArrayList audioFilters;
  QByteArray videoCodec;
  QByteArray audioCodec;
  bool noVideo = false;
  bool noAudio = false;
  bool explicitMap = false;
  int extraAudioStreams = 0;
  // A spelling that only the old libx264 wrapper read: the wrapper then set the stream's
  // structure from its own defaults wherever the command line was silent.
  bool legacyX264 = false;
  bool loopFilter = false;  // "loop" in -flags: the old wrapper deblocked only then
  QByteArray deblockAlpha;
  QByteArray deblockBeta;
  QList<QPair<QByteArray, bool>> flags2;  // bits named in -flags2, in order
  bool flags2Replaced = false;            // -flags2 without a leading sign replaced the defaults
  QSet<QByteArray> given;                 // option names as written, without stream specifier
};

using Handler = void (*)(const QByteArray& value, Output& out, GlobalSettings& globals);

// Field `index` of a ":"-separated text ("b:v" -> "b", "v").
QByteArray field(const QByteArray& text, int index) {
  const QByteArrayList parts = text.split(':');
  return index < parts.size() ? parts[index] : QByteArray();
}

void put(Output& out, const QByteArray& option, const QByteArray& value) {
  out.options << "-" + option << value;
  out.given.insert(field(option, 0));
}

// A flags value: "+a+b-c" switches bits on and off; a bare "a+b" replaces the default set.
struct FlagList {
  QList<QPair<QByteArray, bool>> bits;
  bool replaces = false;
};
FlagList parseFlags(const QByteArray& value) {
  FlagList list;
  list.replaces = !value.startsWith('+') && !value.startsWith('-');
  bool on = true;
  QByteArray name;
  auto finish = [&] {
    if (!name.isEmpty()) list.bits.append({name, on});
    name.clear();
  };
  for (char c : value) {
    if (c == '+' || c == '-') {
      finish();
      on = c == '+';
    } else {
      name += c;
    }
  }
  finish();
  return list;
}

QByteArray joinFlags(const QList<QPair<QByteArray, bool>>& bits) {
  QByteArray text;
  for (const auto& [name, on] : bits) text += (on ? "+" : "-") + name;
  return text;
}

// Value tables of single options: old value -> current value.
using ValuePair = std::pair<const char*, const char*>;

template <std::size_t N>
QByteArray lookUp(const ValuePair (&table)[N], const QByteArray& value, const QByteArray& otherwise) {
  for (const auto& [from, to] : table)
    if (value == from) return to;
  return otherwise;
}

// The old motion-search names; the old wrapper chose hex for every name x264 lacks.
constexpr ValuePair kMotionSearch[] = {{"epzs", "dia"}, {"dia", "dia"}, {"hex", "hex"},  {"umh", "umh"},
                                       {"full", "esa"}, {"esa", "esa"}, {"tesa", "tesa"}};
// The old partition flag names and x264's.
constexpr ValuePair kPartitions[] = {{"parti4x4", "i4x4"},
                                     {"parti8x8", "i8x8"},
                                     {"partp4x4", "p4x4"},
                                     {"partp8x8", "p8x8"},
                                     {"partb8x8", "b8x8"}};
constexpr ValuePair kDirectPrediction[] = {{"0", "none"}, {"1", "spatial"}, {"2", "temporal"}, {"3", "auto"}};
constexpr ValuePair kVideoSync[] = {{"-1", "auto"}, {"0", "passthrough"}, {"1", "cfr"}, {"2", "vfr"}};
// -vpre named a preset file of the old distribution: speed presets became x264 presets,
// profile presets -profile:v; the device presets have no counterpart and are dropped.
constexpr ValuePair kSpeedPresets[] = {
    {"default", "medium"},      {"normal", "medium"},       {"hq", "slow"},           {"max", "placebo"},
    {"ultrafast", "ultrafast"}, {"superfast", "superfast"}, {"veryfast", "veryfast"}, {"faster", "faster"},
    {"fast", "fast"},           {"medium", "medium"},       {"slow", "slow"},         {"slower", "slower"},
    {"veryslow", "veryslow"},   {"placebo", "placebo"}};
constexpr ValuePair kProfilePresets[] = {{"baseline", "baseline"}, {"main", "main"}, {"high", "high"}};

// The -flags2 bits the old libx264 wrapper read, the libx264 option each became, and the
// bit's state in the old default set (fastpskip, psy and mbtree were on).
struct Flags2Bit {
  const char* bit;
  const char* option;
  const char* on;
  const char* off;
  bool oldDefault;
};
constexpr Flags2Bit kFlags2Bits[] = {
    {"wpred", "weightb", "1", "0", false},
    {"mixed_refs", "mixed-refs", "1", "0", false},
    {"dct8x8", "8x8dct", "1", "0", false},
    {"fastpskip", "fast-pskip", "1", "0", true},
    {"bpyramid", "b-pyramid", "normal", "none", false},
    {"aud", "aud", "1", "0", false},
    {"mbtree", "mbtree", "1", "0", true},
    {"psy", "psy", "1", "0", true},
    {"ssim", "ssim", "1", "0", false},
};

// Stream structure the old wrapper took from its own defaults when a command line with
// legacy x264 options left it out: no B-frames, CAVLC, one reference, temporal direct
// prediction, no weighted P-frames (which it did not offer) and a first pass of two with
// the full settings. Today's x264 defaults differ (3 B-frames, CABAC, High profile), which
// would break the baseline templates.
constexpr ValuePair kOldX264Defaults[] = {
    {"bf", "0"},         {"coder", "0"},         {"refs", "1"}, {"direct-pred", "temporal"},
    {"weightp", "none"}, {"fastfirstpass", "0"},
};

// ffmpeg's own old verbosity (-v -10..10): 2 and up printed the dup/drop notes that are
// "verbose" today; 0 and 1 the normal messages; below 0 no progress lines.
QByteArrayList legacyVerbosity(int level) {
  if (level >= 2) return {"-v", "verbose"};
  if (level >= 0) return {"-v", "info"};
  return {"-v", "info", "-nostats"};
}

// Marks a row whose option passes as written.
void keep(const QByteArray&, Output&, GlobalSettings&) {}

void audioCodec(const QByteArray& value, Output& out, GlobalSettings&) {
  out.audioCodec = value == "libfaac" ? QByteArray("aac") : value;
  put(out, "c:a", out.audioCodec);
}
void videoCodec(const QByteArray& value, Output& out, GlobalSettings&) {
  out.videoCodec = value;
  put(out, "c:v", value);
}
void audioBitrate(const QByteArray& value, Output& out, GlobalSettings&) { put(out, "b:a", value); }
void videoBitrate(const QByteArray& value, Output& out, GlobalSettings&) { put(out, "b:v", value); }
void volume(const QByteArray& value, Output&, GlobalSettings& globals) { globals.volume = value; }
void deinterlace(const QByteArray&, Output&, GlobalSettings& globals) { globals.deinterlace = true; }
void videoSync(const QByteArray& value, Output&, GlobalSettings& globals) {
  globals.fpsMode = lookUp(kVideoSync, value, value);
}
void noiseReduction(const QByteArray& value, Output& out, GlobalSettings&) {
  put(out, "noise_reduction", value);
}
void newAudio(const QByteArray&, Output& out, GlobalSettings&) { ++out.extraAudioStreams; }

// "0.2" or "0.2:0.1" (stream 2 of file 0, synchronised to stream 1) -> "0:2". 5.1 has no
// sync hint: a step whose output must keep its start against another stream lays it there
// with a filter of its own (the audio export does).
void map(const QByteArray& value, Output& out, GlobalSettings&) {
  out.explicitMap = true;
  const QByteArray stream = field(value, 0);
  const QByteArrayList parts = stream.split('.');
  bool fileOk = false;
  bool streamOk = false;
  if (parts.size() == 2) {
    parts[0].toInt(&fileOk);
    parts[1].toInt(&streamOk);
  }
  if (fileOk && streamOk && !value.contains(',')) {
    put(out, "map", parts[0] + ":" + parts[1]);
  } else {
    put(out, "map", value);
  }
}

void verbosity(const QByteArray& value, Output& out, GlobalSettings&) {
  bool numeric = false;
  const int level = value.toInt(&numeric);
  if (numeric && level >= -10 && level <= 10) {
    out.options << legacyVerbosity(level);
  } else {
    out.options << "-v" << value;
  }
}

void preset(const QByteArray& value, Output& out, GlobalSettings&) {
  const QByteArray speed = lookUp(kSpeedPresets, value, {});
  const QByteArray profile = lookUp(kProfilePresets, value, {});
  if (!speed.isEmpty()) put(out, "preset", speed);
  if (!profile.isEmpty()) put(out, "profile:v", profile);
}

void flags(const QByteArray& value, Output& out, GlobalSettings&) {
  for (const auto& [name, on] : parseFlags(value).bits)
    if (name == "loop") out.loopFilter = on;
  put(out, "flags", value);
}

void flags2(const QByteArray& value, Output& out, GlobalSettings&) {
  out.legacyX264 = true;
  const FlagList list = parseFlags(value);
  if (list.replaces) {
    out.flags2.clear();
    out.flags2Replaced = true;
  }
  QList<QPair<QByteArray, bool>> others;  // bits 5.1 still knows as -flags2 bits
  for (const auto& bit : list.bits) {
    const bool x264 = std::any_of(std::begin(kFlags2Bits), std::end(kFlags2Bits),
                                  [&](const Flags2Bit& b) { return bit.first == b.bit; });
    (x264 ? out.flags2 : others).append(bit);
  }
  if (!others.isEmpty()) put(out, "flags2", joinFlags(others));
}

void directPrediction(const QByteArray& value, Output& out, GlobalSettings&) {
  out.legacyX264 = true;
  put(out, "direct-pred", lookUp(kDirectPrediction, value, value));
}
void deblockAlpha(const QByteArray& value, Output& out, GlobalSettings&) {
  out.legacyX264 = true;
  out.deblockAlpha = value;
}
void deblockBeta(const QByteArray& value, Output& out, GlobalSettings&) {
  out.legacyX264 = true;
  out.deblockBeta = value;
}

// "+parti4x4+partp8x8" -> "i4x4,p8x8"; a value in x264's own spelling passes.
void partitions(const QByteArray& value, Output& out, GlobalSettings&) {
  if (!value.contains("part")) {
    put(out, "partitions", value);
    return;
  }
  out.legacyX264 = true;
  QByteArrayList names;
  for (const auto& [name, on] : parseFlags(value).bits) {
    const QByteArray x264 = lookUp(kPartitions, name, {});
    names.removeAll(x264);
    if (on && !x264.isEmpty()) names << x264;
  }
  put(out, "partitions", names.isEmpty() ? QByteArray("none") : names.join(','));
}

void motionSearch(const QByteArray& value, Output& out, GlobalSettings&) {
  out.legacyX264 = true;
  put(out, "me_method", lookUp(kMotionSearch, value, "hex"));
}

// Settings that x264 no longer has: bidirectional refinement is part of its subme levels,
// and its rate-control equation is fixed (the old default, which the steps name).
void dropX264(const QByteArray&, Output& out, GlobalSettings&) { out.legacyX264 = true; }

// Every legacy option the conversion steps write, and what it becomes.
struct LegacyOption {
  const char* name;
  bool takesValue;
  Handler translate;
};
constexpr LegacyOption kLegacyOptions[] = {
    {"v", true, verbosity},               // -v 5 (old verbosity) -> -v verbose
    {"acodec", true, audioCodec},         // libfaac -> the native aac encoder (-c:a aac)
    {"ab", true, audioBitrate},           // -> -b:a
    {"vol", true, volume},                // N -> volume=N/256 at the head of the audio filters
    {"newaudio", false, newAudio},        // one more audio stream: explicit -map 0:v:0? 0:a:K?
    {"map", true, map},                   // 0.N:0.M -> 0:N
    {"vcodec", true, videoCodec},         // -> -c:v; libx264 also gets -pix_fmt yuv420p
    {"b", true, videoBitrate},            // -> -b:v (5.1 calls a bare -b ambiguous)
    {"deinterlace", false, deinterlace},  // -> yadif at the head of the video filters
    {"vsync", true, videoSync},           // 0/1/2/-1 -> -fps_mode passthrough/cfr/vfr/auto
    {"nr", true, noiseReduction},         // -> -noise_reduction
    {"vpre", true, preset},               // -> -preset / -profile:v, device presets dropped
    {"flags", true, flags},               // kept; "+loop" decides the deblocking below
    {"flags2", true, flags2},  // x264 bits -> -weightb -mixed-refs -8x8dct -fast-pskip -b-pyramid ...
    {"directpred", true, directPrediction},  // N -> -direct-pred none/spatial/temporal/auto
    {"deblockalpha", true, deblockAlpha},    // with -deblockbeta -> -deblock A:B
    {"deblockbeta", true, deblockBeta},
    {"partitions", true, partitions},   // +parti4x4+partp8x8... -> i4x4,p8x8,...
    {"me_method", true, motionSearch},  // epzs -> dia, full -> esa, ...
    {"bidir_refine", true, dropX264},   // dropped: x264 has no such setting
    {"rc_eq", true, dropX264},          // dropped: x264's equation is fixed
    // Kept as written: 5.1's libx264 wrapper reads them as the old one did.
    {"coder", true, keep},
    {"cmp", true, keep},
    {"subq", true, keep},
    {"trellis", true, keep},
    {"refs", true, keep},
    {"bf", true, keep},
    {"b_strategy", true, keep},
    {"level", true, keep},
    {"qcomp", true, keep},
    {"qmin", true, keep},
    {"qmax", true, keep},
    {"qdiff", true, keep},
    {"g", true, keep},
    {"keyint_min", true, keep},
    {"sc_threshold", true, keep},
    {"i_qfactor", true, keep},
    {"me_range", true, keep},
    {"bt", true, keep},
    {"threads", true, keep},
    {"async", true, keep},
    {"strict", true, keep},
};

const LegacyOption* legacyOption(const QByteArray& name) {
  for (const LegacyOption& option : kLegacyOptions)
    if (name == option.name) return &option;
  return nullptr;
}

// Options of ffmpeg (5.1 and the old one) that take no value; all others take one.
constexpr const char* kValuelessOptions[] = {"y",
                                             "n",
                                             "an",
                                             "vn",
                                             "sn",
                                             "dn",
                                             "hide_banner",
                                             "stdin",
                                             "stats",
                                             "benchmark",
                                             "benchmark_all",
                                             "copyts",
                                             "start_at_zero",
                                             "xerror",
                                             "shortest",
                                             "re",
                                             "accurate_seek",
                                             "dump",
                                             "hex",
                                             "ignore_unknown",
                                             "copy_unknown",
                                             "recast_media",
                                             "debug_ts",
                                             "psnr",
                                             "vstats",
                                             "qphist",
                                             "find_stream_info",
                                             "autorotate",
                                             "autoscale",
                                             "bitexact",
                                             "copyinkf",
                                             "copypriorss",
                                             "fix_sub_duration",
                                             "auto_conversion_filters",
                                             "report",
                                             "version",
                                             "buildconf",
                                             "formats",
                                             "muxers",
                                             "demuxers",
                                             "devices",
                                             "codecs",
                                             "decoders",
                                             "encoders",
                                             "bsfs",
                                             "protocols",
                                             "filters",
                                             "pix_fmts",
                                             "layouts",
                                             "sample_fmts",
                                             "dispositions",
                                             "colors",
                                             "hwaccels",
                                             "L",
                                             "h",
                                             "?",
                                             "help",
                                             "newvideo",
                                             "newsubtitle",
                                             "sameq",
                                             "intra"};

bool takesValue(const QByteArray& name) {
  if (const LegacyOption* legacy = legacyOption(name)) return legacy->takesValue;
  const QByteArray base = field(name, 0);
  auto valueless = [](const QByteArray& n) {
    return std::any_of(std::begin(kValuelessOptions), std::end(kValuelessOptions),
                       [&](const char* v) { return n == v; });
  };
  return !(valueless(base) || (base.startsWith("no") && valueless(base.mid(2))));
}

struct Option {
  QByteArray name;  // without the leading "-"
  QByteArray value;
  bool hasValue = false;
};

// A run of options ended by "-i <input>" or by an output file; the last run may have neither.
struct Segment {
  enum Kind { Input, Output, Trailing } kind = Trailing;
  QList<Option> options;
  QByteArray target;
};

QList<Segment> splitSegments(const QByteArrayList& args) {
  QList<Segment> segments;
  Segment current;
  for (int i = 0; i < args.size(); ++i) {
    const QByteArray& arg = args[i];
    if (arg.size() > 1 && arg.startsWith('-')) {
      Option option{arg.mid(1), {}, false};
      if (takesValue(option.name) && i + 1 < args.size()) {
        option.value = args[++i];
        option.hasValue = true;
      }
      if (option.name == "i" && option.hasValue) {
        current.kind = Segment::Input;
        current.target = option.value;
        segments << current;
        current = Segment();
      } else {
        current.options << option;
      }
    } else {
      current.kind = Segment::Output;
      current.target = arg;
      segments << current;
      current = Segment();
    }
  }
  if (current.options.isEmpty()) return segments;
  // The old ffmpeg applied options written after the last output file (-pass, -newaudio,
  // -async) to it; 5.1 ignores them there, so they move in front of that file.
  for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
    if (it->kind == Segment::Output) {
      it->options << current.options;
      return segments;
    }
  }
  segments << current;
  return segments;
}

// Notes what current spellings say about the output, for the merging steps.
void note(const Option& option, Output& out) {
  const QByteArray base = field(option.name, 0);
  const QByteArray stream = field(option.name, 1);
  out.given.insert(base);
  if (base == "c" || base == "codec") {
    if (stream.isEmpty() || stream == "v") out.videoCodec = option.value;
    if (stream.isEmpty() || stream == "a") out.audioCodec = option.value;
  } else if (base == "vn") {
    out.noVideo = true;
  } else if (base == "an") {
    out.noAudio = true;
  }
}

bool isFilter(const Option& option, char type) {
  return option.hasValue && (option.name == QByteArray(type == 'v' ? "vf" : "af") ||
                             option.name == QByteArray("filter:") + type);
}

Output rewrite(const Segment& segment, GlobalSettings& globals) {
  Output out;
  for (const Option& option : segment.options) {
    if (isFilter(option, 'v')) {
      out.videoFilters << option.value;
    } else if (isFilter(option, 'a')) {
      out.audioFilters << option.value;
    } else if (const LegacyOption* legacy = legacyOption(option.name); legacy && legacy->translate != keep) {
      legacy->translate(option.value, out, globals);
    } else {
      note(option, out);
      out.options << "-" + option.name;
      if (option.hasValue) out.options << option.value;
    }
  }
  return out;
}

void addOldX264Structure(Output& out) {
  for (const auto& [option, value] : kOldX264Defaults)
    if (!out.given.contains(option)) put(out, option, value);
  for (const Flags2Bit& bit : kFlags2Bits) {
    if (out.given.contains(bit.option)) continue;
    bool on = out.flags2Replaced ? false : bit.oldDefault;
    for (const auto& [name, state] : out.flags2)
      if (name == bit.bit) on = state;
    put(out, bit.option, on ? bit.on : bit.off);
  }
  if (out.given.contains("deblock")) return;
  if (!out.loopFilter) {
    put(out, "deblock", "false");
  } else if (!out.deblockAlpha.isEmpty() || !out.deblockBeta.isEmpty()) {
    put(out, "deblock",
        (out.deblockAlpha.isEmpty() ? "0" : out.deblockAlpha) + ":" +
            (out.deblockBeta.isEmpty() ? "0" : out.deblockBeta));
  }
}

// The value of the last plain `-name` among translated options; empty when none.
QByteArray optionValue(const QByteArrayList& options, const QByteArray& name) {
  QByteArray value;
  for (qsizetype i = 0; i + 1 < options.size(); ++i)
    if (options[i] == "-" + name) value = options[i + 1];
  return value;
}

// 5.1's "-ac 2" mixes the centre and surrounds into each side at -3 dB without scaling
// the sum, so loud surround goes up to +7.7 dB over full scale. Scaling the mix down
// (swresample's normalised matrix) would cost centre dialogue 7.7 dB; instead the mix
// stays as loud and a look-ahead limiter holds its peaks 2 dB under full scale, room
// the AAC encoder's overshoot needs. Its delay is compensated, so the sound keeps its
// place against the picture.
constexpr char kDownmixLimiter[] = "alimiter=limit=0.794:attack=5:release=300:level=0:latency=1";

void limitDownmix(Output& out, int sourceChannels) {
  bool ok = false;
  const int channels = optionValue(out.options, "ac").toInt(&ok);
  if (!ok || channels <= 0 || sourceChannels <= channels) return;
  // The mix is made here, ahead of the limiter, with the layout -ac would give.
  const QByteArray layout = channels == 1   ? "mono"
                            : channels == 2 ? "stereo"
                                            : QByteArray::number(channels) + "c";
  out.audioFilters << "aformat=channel_layouts=" + layout << kDownmixLimiter;
}

QByteArray volumeFilter(const QByteArray& legacyVolume) {
  bool ok = false;
  const int volume = legacyVolume.toInt(&ok);
  if (!ok || volume == 256) return {};
  return "volume=" + QByteArray::number(volume / 256.0, 'g', 10);
}

// What the old ffmpeg applied to every output that 5.1 needs written into each one.
void finish(Output& out, const GlobalSettings& globals, int sourceChannels) {
  if (out.videoCodec == "libx264") {
    if (out.legacyX264) addOldX264Structure(out);
    // The old wrapper encoded 8-bit 4:2:0 only; 5.1 would follow a 4:2:2, 4:4:4 or 10-bit
    // source into profiles the players of these files cannot decode.
    if (!out.given.contains("pix_fmt")) put(out, "pix_fmt", "yuv420p");
  }
  if (globals.deinterlace && !out.noVideo && out.videoCodec != "copy") out.videoFilters.prepend("yadif");
  if (!out.videoFilters.isEmpty()) out.options << "-vf" << out.videoFilters.join(',');
  const QByteArray volume = volumeFilter(globals.volume);
  const bool encodesAudio = !out.noAudio && out.audioCodec != "copy";
  if (!volume.isEmpty() && encodesAudio) out.audioFilters.prepend(volume);
  if (encodesAudio) limitDownmix(out, sourceChannels);
  if (!out.audioFilters.isEmpty()) out.options << "-af" << out.audioFilters.join(',');
  if (!globals.fpsMode.isEmpty() && !out.given.contains("fps_mode") && !out.noVideo)
    out.options << "-fps_mode" << globals.fpsMode;
  if (out.extraAudioStreams > 0 && !out.explicitMap) {
    if (!out.noVideo)
      out.options << "-map"
                  << "0:v:0?";
    for (int k = 0; k <= out.extraAudioStreams; ++k)
      out.options << "-map"
                  << "0:a:" + QByteArray::number(k) + "?";
  }
}

}  // namespace

QByteArrayList translateArguments(const QByteArrayList& legacy, const SourceChannels& sourceChannels) {
  const QList<Segment> segments = splitSegments(legacy);
  GlobalSettings globals;
  QList<Output> outputs;
  int mostChannels = 0;  // of all inputs: the outputs' maps are not followed
  const bool channelsAsked = sourceChannels && legacy.contains("-ac");  // a probe only where it counts
  for (const Segment& segment : segments) {
    outputs << rewrite(segment, globals);
    if (segment.kind == Segment::Input && channelsAsked)
      mostChannels = std::max(mostChannels, sourceChannels(segment.target));
  }

  QByteArrayList result;
  // The runner never answers ffmpeg's keyboard prompts.
  const bool stdinGiven = std::any_of(outputs.begin(), outputs.end(), [](const Output& o) {
    return o.given.contains("stdin") || o.given.contains("nostdin");
  });
  if (!stdinGiven) result << "-nostdin";
  for (int i = 0; i < segments.size(); ++i) {
    Output& out = outputs[i];
    if (segments[i].kind == Segment::Output) finish(out, globals, mostChannels);
    result << out.options;
    if (segments[i].kind == Segment::Input) result << "-i";
    if (segments[i].kind != Segment::Trailing) result << segments[i].target;
  }
  return result;
}

}  // namespace zuvo::ffmpeg
