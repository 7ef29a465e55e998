#!/usr/bin/env bash
# Builds the tests of the code that reads outside input (MP4 files, keyed archives, online
# answers, the output of tools and plug-ins) with AddressSanitizer and UBSan in build-asan/, and
# runs them. Only these test programs and what they link are built, to keep CI short; the
# whole suite passes in that build too (README). Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(
  # MP4 files: our library, damaged files, the tags read back and written
  mp4_Mp4Robustness_test mp4_Mp4Damaged_test mp4_Mp4Commit_test mp4_Mp4Tags_test mp4_Mp4Chapters_test
  mp4_Mp4Freeform_test mp4_Mp4Tracks_test mp4_Mp4TimedText_test mp4_Mp4NewTrack_test
  metadata_ExistingMP4Tags_test
  # keyed archives
  platform_KeyedArchive_test
  # online answers and the cache they are kept in
  metadata_TheTVDB_test metadata_TheMovieDB_test metadata_TVRage_test metadata_TagChimp_test
  metadata_ServiceCache_test media_BCDownloader_test media_EntityDecoding_test
  metadata_LiveService_test metadata_TVRoutes_test metadata_MovieAnswers_test metadata_MovieRoutes_test
  # tool and plug-in output
  media_BCDVDReader_test media_AnalysisOutputNormalizer_test media_StreamAnalysis_test
  metadata_MetadataPlugin_test metadata_FileChapters_test
  # text of unknown encoding
  media_BCStringEncoding_test media_UniversalDetector_test
)

launcher=()
# A fresh machine has no ccache; where there is one, it must take the sanitizer flags into its key.
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUVO_SANITIZE=ON "${launcher[@]}"
cmake --build build-asan -j"$(nproc)" --target "${targets[@]}"
# Programs left unbuilt show up as <target>_NOT_BUILT placeholders, and the whole-program tests
# of tests/app, named app_*, run programs not built here. The build's own sanitizer defaults make
# any report, UBSan's too, fail its test.
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -E '_NOT_BUILT$|^app_' "$@"
