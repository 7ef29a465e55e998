#include "convert/converter/BCConverter.h"

#include <mutex>

#include "convert/converter/OutputName.h"
#include "convert/runners/ToolResources.h"
#include "convert/runners/ToolRun.h"
#include "media/FileHelpers.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"

namespace zuvo {
namespace {

struct ToolField {
  QString BCConverter::*field;
  const char* resource;
};
const ToolField kToolFields[] = {
    {&BCConverter::ffmpegpath, tools::kFfmpeg},         {&BCConverter::ffmpegpathold, tools::kFfmpeg},
    {&BCConverter::mencoderpath, tools::kMencoder},     {&BCConverter::mencoderpath2, tools::kMencoderBurn},
    {&BCConverter::mencoderdvdpath, tools::kHandBrake}, {&BCConverter::mkvextractpath, tools::kMkvextract},
    {&BCConverter::mp4boxpath, tools::kMP4Box},         {&BCConverter::mkvmergepath, tools::kMkvmerge},
    {&BCConverter::aacgainpath, tools::kAacgain},       {&BCConverter::avimergepath, tools::kAvimerge},
};

// The pair of an HD-and-SD conversion is numbered from N; every conversion moves the
// stored number on, written through at once so that no two converters share one.
quint32 takeCatalogueId(Defaults& defaults, ConversionFormat conversionFormat) {
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  const int next = defaults.get(setting::NextCNID);
  const bool pair = conversionFormat == ConversionFormat::HDAndSD;
  defaults.set(setting::NextCNID, next + (pair ? 2 : 1));
  defaults.synchronize();
  return pair ? static_cast<quint32>(next) : 0;
}

// An EyeTV recording converts from the video file inside its package. A package path
// always wins; without one the file itself is the source.
QString sourcePath(const MediaFile& media) {
  const QString package = media.packagepath();
  return package.isEmpty() ? media.fullpath() : package;
}

}  // namespace

std::unique_ptr<BCConverter> BCConverter::init(const MediaFilePtr& media, const QString& identifier,
                                               const HelperInfo& turbo264, const Reporter& reporter,
                                               const ConversionReport& report) {
  if (!media) return nullptr;
  Defaults& defaults = Defaults::standard();
  std::unique_ptr<BCConverter> converter(new BCConverter);
  converter->threadid = identifier;
  converter->thismediafile = media.get();
  converter->convideodata = media;
  converter->myreporter = reporter;
  converter->report = report;
  converter->audiobitrate = defaults.get(setting::AudioBitrate);
  converter->Turbo264Info = turbo264;
  converter->thiscnid = takeCatalogueId(defaults, media->ConversionFormat());
  converter->fileToConvertPath = sourcePath(*media);
  converter->tfiletype = converter->fileToConvertPath.toLower();
  converter->outboundname =
      SafeFileBaseName(OutputBaseName(*media, defaults), PathWithoutExtension(media->filename()));
  for (const ToolField& tool : kToolFields) (*converter).*(tool.field) = paths::toolPath(tool.resource);
  converter->conversiondirectory = defaults.get(setting::ConversionDirectory);

  media->setStopbuttonpressed(false);
  media->setProgress(0);
  if (!defaults.get(setting::EnableFASTMode)) media->setFastmode(false);

  reportTo(reporter, QStringLiteral("Conversion object created with ID : %1").arg(identifier), 3);
  reportTo(reporter, QStringLiteral("This thread has CNID : %1").arg(converter->thiscnid), 3);
  reportTo(reporter, QStringLiteral("[BLUE] Intitial Outbound name is %1").arg(converter->outboundname), 3);
  return converter;
}

}  // namespace zuvo
