#include <gtest/gtest.h>

#include "tools/ffmpeg/LegacyArguments.h"

using zuvo::ffmpeg::translateArguments;

namespace {

QByteArrayList words(const char* text) {
  QByteArrayList list = QByteArray(text).simplified().split(' ');
  list.removeAll(QByteArray());
  return list;
}

struct Translation {
  const char* name;
  const char* legacy;
  const char* current;
};

// What the old libx264 wrapper did where a legacy command line was silent, as the
// adapter spells it (every legacy x264 case below ends with these).
#define OLD_X264 " -bf 0 -coder 0 -refs 1 -direct-pred temporal -weightp none -fastfirstpass 0"
#define OLD_FLAGS2 \
  " -weightb 0 -mixed-refs 0 -8x8dct 0 -fast-pskip 1 -b-pyramid none -aud 0 -mbtree 1 -psy 1 -ssim 0"

const Translation kTranslations[] = {
    {"libfaac becomes the native aac encoder and -ab -b:a",
     "-y -i in.mkv -acodec libfaac -ab 160k -ar 48000 out.m4a",
     "-nostdin -y -i in.mkv -c:a aac -b:a 160k -ar 48000 out.m4a"},
    {"a bare -b is the video bit rate", "-i in -b 3000k out.mp4", "-nostdin -i in -b:v 3000k out.mp4"},
    {"-v 5 (old verbosity) becomes the verbose log level", "-y -v 5 -i in out.mp4",
     "-nostdin -y -v verbose -i in out.mp4"},
    {"old verbosity 1 is the normal log level", "-v 1 -i in out.mp4", "-nostdin -v info -i in out.mp4"},
    {"negative old verbosity drops the progress lines", "-v -1 -i in out.mp4",
     "-nostdin -v info -nostats -i in out.mp4"},
    {"a current log level passes", "-v error -i in out.mp4", "-nostdin -v error -i in out.mp4"},
    {"a log level number outside the old range passes", "-v 32 -i in out.mp4",
     "-nostdin -v 32 -i in out.mp4"},
    {"-deinterlace becomes yadif ahead of the output's own filters",
     "-i in -deinterlace -vf scale=160:120 out.mp4", "-nostdin -i in -vf yadif,scale=160:120 out.mp4"},
    {"-deinterlace before the input applies to every output", "-deinterlace -i in a.mp4 b.mp4",
     "-nostdin -i in -vf yadif a.mp4 -vf yadif b.mp4"},
    {"-deinterlace leaves a copied video stream alone", "-i in -vcodec copy -deinterlace out.mp4",
     "-nostdin -i in -c:v copy out.mp4"},
    {"-deinterlace leaves an output without video alone", "-i in -vn -deinterlace out.m4a",
     "-nostdin -i in -vn out.m4a"},
    {"-vol becomes a volume filter ahead of the output's own", "-i in -vol 512 -af aresample=44100 out.m4a",
     "-nostdin -i in -af volume=2,aresample=44100 out.m4a"},
    {"-vol 128 halves the level", "-i in -vol 128 out.m4a", "-nostdin -i in -af volume=0.5 out.m4a"},
    {"-vol 256 changes nothing", "-y -i in -acodec libfaac -vol 256 out.mp4",
     "-nostdin -y -i in -c:a aac out.mp4"},
    {"-vol leaves a copied audio stream alone", "-i in -acodec copy -vol 512 out.ac3",
     "-nostdin -i in -c:a copy out.ac3"},
    {"-vsync 2 becomes -fps_mode vfr", "-i in -vsync 2 out.mp4", "-nostdin -i in -fps_mode vfr out.mp4"},
    {"-vsync 0 becomes -fps_mode passthrough", "-i in -vsync 0 out.mp4",
     "-nostdin -i in -fps_mode passthrough out.mp4"},
    {"-nr becomes -noise_reduction", "-i in -nr 100 out.mp4", "-nostdin -i in -noise_reduction 100 out.mp4"},
    {"-map with the old file.stream:sync form becomes file:stream",
     "-y -i in -map 0.2:0.1 -vn -f mp4 out.m4a", "-nostdin -y -i in -map 0:2 -vn -f mp4 out.m4a"},
    {"-map without a sync stream", "-i in -map 0.1 out.m4a", "-nostdin -i in -map 0:1 out.m4a"},
    {"-map in the current form passes", "-i in -map 0:a:1 out.m4a", "-nostdin -i in -map 0:a:1 out.m4a"},
    {"-newaudio after the output maps the video and one more audio stream",
     "-y -i in -vcodec copy -acodec copy -sn inter.mkv -acodec copy -newaudio",
     "-nostdin -y -i in -c:v copy -c:a copy -sn -c:a copy -map 0:v:0? -map 0:a:0? -map 0:a:1? inter.mkv"},
    {"-newaudio twice maps three audio streams",
     "-i in -acodec copy out.mkv -acodec copy -newaudio -acodec copy -newaudio",
     "-nostdin -i in -c:a copy -c:a copy -c:a copy -map 0:v:0? -map 0:a:0? -map 0:a:1? -map 0:a:2? out.mkv"},
    {"-newaudio adds nothing where the output names its streams",
     "-i in -map 0:0 -map 0:1 -map 0:2 out.mkv -newaudio",
     "-nostdin -i in -map 0:0 -map 0:1 -map 0:2 out.mkv"},
    {"an option after the last output moves in front of it", "-i in -vcodec libx264 out.m4v -pass 2",
     "-nostdin -i in -c:v libx264 -pass 2 -pix_fmt yuv420p out.m4v"},
    {"libx264 keeps a pixel format the command names", "-i in -vcodec libx264 -pix_fmt yuv422p out.mp4",
     "-nostdin -i in -c:v libx264 -pix_fmt yuv422p out.mp4"},
    {"a value-less option ends no output", "-i in -vcodec libx264 -an out.mp4",
     "-nostdin -i in -c:v libx264 -an -pix_fmt yuv420p out.mp4"},
    {"a value that starts with a dash is a value", "-itsoffset -1 -i in out.mp4",
     "-nostdin -itsoffset -1 -i in out.mp4"},
    {"-flags2 bits become libx264 options, the rest take the old defaults",
     "-i in -vcodec libx264 -flags +loop -flags2 +wpred+dct8x8 out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop" OLD_X264
     " -weightb 1 -mixed-refs 0 -8x8dct 1 -fast-pskip 1 -b-pyramid none -aud 0 -mbtree 1 -psy 1 -ssim 0"
     " -pix_fmt yuv420p out.mp4"},
    {"+bpyramid continues the -flags2 list",
     "-i in -vcodec libx264 -flags +loop -flags2 +mixed_refs+bpyramid out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop" OLD_X264
     " -weightb 0 -mixed-refs 1 -8x8dct 0 -fast-pskip 1 -b-pyramid normal -aud 0 -mbtree 1 -psy 1 -ssim 0"
     " -pix_fmt yuv420p out.mp4"},
    {"-flags2 without a sign replaces the old default bits",
     "-i in -vcodec libx264 -flags +loop -flags2 dct8x8 out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop" OLD_X264
     " -weightb 0 -mixed-refs 0 -8x8dct 1 -fast-pskip 0 -b-pyramid none -aud 0 -mbtree 0 -psy 0 -ssim 0"
     " -pix_fmt yuv420p out.mp4"},
    {"-flags2 bits 5.1 still knows stay -flags2",
     "-i in -vcodec libx264 -flags +loop -flags2 +fast+wpred out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop -flags2 +fast" OLD_X264
     " -weightb 1 -mixed-refs 0 -8x8dct 0 -fast-pskip 1 -b-pyramid none -aud 0 -mbtree 1 -psy 1 -ssim 0"
     " -pix_fmt yuv420p out.mp4"},
    {"without +loop the old wrapper did not deblock", "-i in -vcodec libx264 -flags2 +wpred out.mp4",
     "-nostdin -i in -c:v libx264" OLD_X264
     " -weightb 1 -mixed-refs 0 -8x8dct 0 -fast-pskip 1 -b-pyramid none -aud 0 -mbtree 1 -psy 1 -ssim 0"
     " -deblock false -pix_fmt yuv420p out.mp4"},
    {"-deblockalpha and -deblockbeta become -deblock",
     "-i in -vcodec libx264 -flags +loop -deblockalpha -1 -deblockbeta 2 out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop" OLD_X264 OLD_FLAGS2
     " -deblock -1:2 -pix_fmt yuv420p out.mp4"},
    {"settings written in the current spelling win over the old defaults",
     "-i in -vcodec libx264 -flags +loop -flags2 +wpred -bf 2 -8x8dct 1 -weightp smart -fastfirstpass 1 "
     "out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop -bf 2 -8x8dct 1 -weightp smart -fastfirstpass 1"
     " -coder 0 -refs 1 -direct-pred temporal"
     " -weightb 1 -mixed-refs 0 -fast-pskip 1 -b-pyramid none -aud 0 -mbtree 1 -psy 1 -ssim 0"
     " -pix_fmt yuv420p out.mp4"},
    {"old partition flags become x264's names",
     "-i in -vcodec libx264 -flags +loop -partitions +parti8x8+parti4x4+partp8x8+partb8x8 out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop -partitions i8x8,i4x4,p8x8,b8x8" OLD_X264 OLD_FLAGS2
     " -pix_fmt yuv420p out.mp4"},
    {"partitions in x264's spelling pass and add no old defaults",
     "-i in -vcodec libx264 -partitions p8x8,i4x4 out.mp4",
     "-nostdin -i in -c:v libx264 -partitions p8x8,i4x4 -pix_fmt yuv420p out.mp4"},
    {"old motion-search names map onto x264's", "-i in -vcodec libx264 -flags +loop -me_method epzs out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop -me_method dia" OLD_X264 OLD_FLAGS2
     " -pix_fmt yuv420p out.mp4"},
    {"full search is esa", "-i in -vcodec libx264 -flags +loop -me_method full out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop -me_method esa" OLD_X264 OLD_FLAGS2
     " -pix_fmt yuv420p out.mp4"},
    {"a search x264 lacks is hex, as the old wrapper chose",
     "-i in -vcodec libx264 -flags +loop -me_method phods out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop -me_method hex" OLD_X264 OLD_FLAGS2
     " -pix_fmt yuv420p out.mp4"},
    {"-directpred 3 is automatic direct prediction",
     "-i in -vcodec libx264 -flags +loop -directpred 3 out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop -direct-pred auto -bf 0 -coder 0 -refs 1 -weightp none"
     " -fastfirstpass 0" OLD_FLAGS2 " -pix_fmt yuv420p out.mp4"},
    {"-bidir_refine and -rc_eq are dropped with their values",
     "-i in -vcodec libx264 -flags +loop -bidir_refine 1 -rc_eq 'blurCplx^(1-qComp)' -qcomp 0.6 out.mp4",
     "-nostdin -i in -c:v libx264 -flags +loop -qcomp 0.6" OLD_X264 OLD_FLAGS2 " -pix_fmt yuv420p out.mp4"},
    {"-vpre with a speed preset becomes -preset", "-i in -vcodec libx264 -vpre hq out.mp4",
     "-nostdin -i in -c:v libx264 -preset slow -pix_fmt yuv420p out.mp4"},
    {"-vpre with a profile preset becomes -profile:v", "-i in -vcodec libx264 -vpre main out.mp4",
     "-nostdin -i in -c:v libx264 -profile:v main -pix_fmt yuv420p out.mp4"},
    {"-vpre with a device preset is dropped", "-i in -vcodec libx264 -vpre ipod640 out.mp4",
     "-nostdin -i in -c:v libx264 -pix_fmt yuv420p out.mp4"},
    {"unknown options pass unchanged", "-i in -frobnicate 3 -metadata title=x -f ipod out.m4v",
     "-nostdin -i in -frobnicate 3 -metadata title=x -f ipod out.m4v"},
    {"-nostdin is not doubled", "-nostdin -i in out.mp4", "-nostdin -i in out.mp4"},
    {"a command without an output passes", "-version", "-nostdin -version"},
};

}  // namespace

TEST(FfmpegLegacyArguments, TranslatesEachLegacySpelling) {
  for (const Translation& t : kTranslations) {
    EXPECT_EQ(translateArguments(words(t.legacy)), words(t.current)) << t.name;
  }
}

TEST(FfmpegLegacyArguments, PathsStayWholeArgumentsByteForByte) {
  const QByteArray input = "/work dir/My \"Show\"; rm -rf ~\n\xe9.mkv";
  const QByteArray output = "/work dir/-dash $(x).m4v";
  const QByteArrayList translated =
      translateArguments({"-y", "-i", input, "-acodec", "libfaac", "-ab", "160k", output});
  EXPECT_EQ(translated,
            (QByteArrayList{"-nostdin", "-y", "-i", input, "-c:a", "aac", "-b:a", "160k", output}));
}

// The baseline string of the SD pass, as the conversion step builds it: the old wrapper made
// it a Baseline-profile stream (no B-frames, CAVLC, no 8x8 transform), which must survive.
TEST(FfmpegLegacyArguments, SdBaselineStringKeepsItsStreamStructure) {
  const QByteArrayList translated = translateArguments(
      words(" -i in.mp4 -y -v 5 -threads 2 -s 320x180  -vcodec libx264  -b 1.5M  -bt 1.5M  -maxrate 1.5M "
            "-bufsize 2M "
            " -r ntsc -flags +loop -cmp +chroma -partitions +parti4x4+partp8x8+partb8x8 -me_method umh -subq "
            "5 -trellis 1"
            " -refs 1 -coder 0 -me_range 16 -g 300 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71"
            " -rc_eq 'blurCplx^(1-qComp)' -qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -level 30 "
            " -acodec libfaac  -ar 48000 -ac 2 -ab 128k  out.SD.mp4"));
  EXPECT_EQ(translated,
            words("-nostdin -i in.mp4 -y -v verbose -threads 2 -s 320x180 -c:v libx264 -b:v 1.5M -bt 1.5M"
                  " -maxrate 1.5M -bufsize 2M -r ntsc -flags +loop -cmp +chroma -partitions i4x4,p8x8,b8x8"
                  " -me_method umh -subq 5 -trellis 1 -refs 1 -coder 0 -me_range 16 -g 300 -keyint_min 25"
                  " -sc_threshold 40 -i_qfactor 0.71 -qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -level 30"
                  " -c:a aac -ar 48000 -ac 2 -b:a 128k"
                  " -bf 0 -direct-pred temporal -weightp none -fastfirstpass 0" OLD_FLAGS2
                  " -pix_fmt yuv420p out.SD.mp4"));
}
