// Reading job files: every block lands where it belongs, and a file that is damaged anywhere is refused with
// the right code instead of being half-read or read past its end.
#include <gtest/gtest.h>

#include <cstring>

#include "foundation/files/aliases.h"
#include "jobs/reading/job_archives.h"
#include "jobs/reading/job_globals.h"
#include "jobs/reading/upload_data.h"
#include "layout/attribute_objects.h"
#include "layout/image_object.h"
#include "layout/node_object.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "tests/jobs/job_test_support.h"
#include "tests/support/binary_plist_builder.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"
#include "tests/support/record_writer.h"

namespace vorl {
namespace {

using test::Bytes;
using test::JobSpec;

ArchivedValue jobDictionaryValue() {
  return ArchivedValue::dictionary({{"imageurl", ArchivedValue::string("http://studio.example/42.jpg")},
                                    {"ipaddress", ArchivedValue::string("10.0.0.7")},
                                    {"copies", ArchivedValue::integer(3)}});
}

ArchivedValue pageSetupValue() {
  return ArchivedValue::object(
      "NSPrintInfo", {{"NSAttributes", ArchivedValue::dictionary({{"NSPaperName", ArchivedValue::string("iso-a4")},
                                                                  {"NSOrientation", ArchivedValue::integer(1)}})}});
}

// A job with something in every optional part: a printer block, the record structs, a sub-job, keyed images, a
// node with its own records, every archive and trailing bytes.
JobSpec fullJob() {
  JobSpec spec = test::minimalJob();
  spec.printerType = 23;
  spec.printerBlock = test::recordWithDistinctFields(test::mitsubishiLayout());
  const Bytes media = test::recordWithDistinctFields(test::mitsubishiMediaLayout());
  spec.printerBlock.insert(spec.printerBlock.end(), media.begin(), media.end());
  spec.recordStructsFollow = 1;
  spec.recordStructs = std::array<std::vector<std::string>, 2>{std::vector<std::string>{"First", "Last"},
                                                               std::vector<std::string>{"Ann", "Smith"}};
  spec.jobInfo = test::jobInfoBytes("Current", "Second", 1, 2.5f, {7, 7, 9});
  test::ImageSpec keyed;
  keyed.key = test::KeySettingsSpec{};
  spec.hasSubJob = true;
  spec.subJobRecords = {test::imageRecord(keyed), test::attributeRecord({})};
  test::NodeSpec node;
  node.records = {test::imageRecord(keyed), test::textRecord({})};
  spec.pageRecords = {test::backColorRecord({}), test::nodeRecord(node), test::stampRecord({}),
                      test::unknownRecord("zzzz", 30), test::imageRecord({})};
  spec.uploadArchive = test::encodeKeyedArchive(ArchivedValue::dictionary({{"f", ArchivedValue::string("pt5")}}));
  spec.dictionaryArchive = test::encodeKeyedArchive(jobDictionaryValue());
  spec.emailArchive = test::encodeKeyedArchive(ArchivedValue::dictionary({{"userdata", ArchivedValue::string("abc")}}));
  spec.pageSetupArchive = test::encodeKeyedArchive(pageSetupValue(), test::PlistFormat::Xml);
  spec.trailingBytes = Bytes(5, 0x42);
  return spec;
}

TEST(JobFileReader, EveryBlockLandsInItsField) {
  test::MessageRecorder messages;
  const JobSpec spec = fullJob();
  const auto job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  const JobFileSettings& s = job.view->settings();

  EXPECT_EQ(s.printerType, 23);
  EXPECT_EQ(s.canvasNumber, spec.canvasNumber);
  EXPECT_EQ(s.mediaMatch, spec.mediaMatch);
  EXPECT_EQ(s.useColorSettings, spec.useColorSettings);
  EXPECT_EQ(s.printQuantity, spec.printQuantity);
  EXPECT_EQ(s.templateName.macRoman(), spec.templateName);
  EXPECT_EQ(gCurrentTemplateName.macRoman(), spec.templateName);
  EXPECT_EQ(s.pageWidth, spec.pageWidth);
  EXPECT_EQ(s.pageHeight, spec.pageHeight);
  EXPECT_EQ(s.resolution, spec.resolution);
  EXPECT_EQ(s.mirror, spec.mirror);
  EXPECT_EQ(s.color, spec.color);
  EXPECT_FALSE(gApplyEmbedded);
  EXPECT_EQ(s.packageName.macRoman(), spec.packageName);
  EXPECT_EQ(s.printToFileRecord.hasRecordBlocks, 1);
  EXPECT_EQ(s.fieldNames.texts[1].macRoman(), "Last");
  EXPECT_EQ(s.fieldValues.texts[0].macRoman(), "Ann");
  EXPECT_EQ(s.fieldValues.texts[2].macRoman(), "");
  EXPECT_EQ((std::array<std::int16_t, 3>{s.matchRotationForPrint, s.rotationForPrint, s.cropWhere}),
            (std::array<std::int16_t, 3>{1, 2, 3}));
  EXPECT_EQ(s.printMode, spec.printMode);
  EXPECT_EQ(s.cropMode, spec.cropMode);
  EXPECT_EQ(s.cropWidth, spec.cropWidth);
  EXPECT_EQ(s.cropHeight, spec.cropHeight);
  EXPECT_EQ(s.finalCropWhere, spec.finalCropWhere);
  EXPECT_EQ(s.toneMode, spec.toneMode);
  EXPECT_EQ(s.sepiaAdjust.red, spec.sepiaAdjust[0]);
  EXPECT_EQ(s.sepiaAdjust.gamma, spec.sepiaAdjust[5]);
  EXPECT_EQ(s.fixedName, spec.fixedName);
  EXPECT_EQ(s.imageQuality, spec.imageQuality);
  EXPECT_EQ(s.jobName.macRoman(), "portrait.final");
  EXPECT_EQ(s.oldTimePhoto.tones.green, spec.oldTimeTones[1]);
  EXPECT_EQ(s.oldTimePhoto.tones.light, spec.oldTimeTones[4]);
  EXPECT_EQ(s.oldTimePhoto.percent, spec.oldTimePercent);
  EXPECT_EQ(s.oldTimePhoto.reserved[127], spec.oldTimeTailByte);
  EXPECT_EQ(s.videoMerge, spec.videoMerge);
  EXPECT_EQ(s.fEnableVideoCopy, spec.enableVideoCopy);
  EXPECT_EQ(s.hasSubJob, 1);
  EXPECT_EQ(s.subJobWidth, spec.subJobWidth);
  EXPECT_EQ(s.subJobHeight, spec.subJobHeight);
  EXPECT_EQ(job.view->originalPath(), spec.originalPath);
  EXPECT_EQ(s.retailCustomerMetadata, spec.retailCustomerMetadata);
  EXPECT_EQ(s.customerEmail.macRoman(), spec.customerEmail);
  EXPECT_EQ(s.extraNameText.macRoman(), spec.extraNameText);
  EXPECT_EQ(s.groupCode.macRoman(), spec.groupCode);
  EXPECT_EQ(myBlurValue, spec.blurValue) << "little-endian in the file";
  EXPECT_EQ(job.view->videoPath(), spec.videoPath);

  // What the application and the metadata writers are told.
  ASSERT_EQ(job.observer->jobInfos.size(), 1u);
  EXPECT_EQ(job.observer->jobInfos[0].name.macRoman(), "Current");
  EXPECT_EQ(job.observer->jobInfos[0].value66, 2.5f);
  EXPECT_EQ(job.observer->jobInfos[0].value74, 9);
  ASSERT_EQ(job.observer->printers.size(), 1u);
  EXPECT_EQ(job.observer->printers[0].printerType, 23);
  EXPECT_EQ(job.observer->printers[0].templateName.macRoman(), spec.templateName);
  EXPECT_EQ(job.observer->printers[0].packageName.macRoman(), spec.packageName);
  EXPECT_EQ(currentUploadData().customerEmail.macRoman(), spec.customerEmail);
  EXPECT_EQ(currentUploadData().groupCode.macRoman(), spec.groupCode);
  EXPECT_EQ(currentUploadData().emailEntryBuffer, s.emailEntryBuffer);

  // The lists keep their records' order; the unknown record is left out and the reading goes on after it.
  const auto types = [](const LayoutObjectList& objects) {
    std::vector<OSType> result;
    for (const auto& object : objects) result.push_back(object->type());
    return result;
  };
  EXPECT_EQ(types(job.view->subJobObjects()), (std::vector<OSType>{kImageObjectType, kAttributeObjectType}));
  EXPECT_EQ(types(job.view->layoutObjects()),
            (std::vector<OSType>{kBackColorObjectType, kNodeObjectType, kStampObjectType, kImageObjectType}));
  EXPECT_EQ(messages.messages().size(), 2u) << "only the unknown object is reported";
}

TEST(JobFileReader, ArchivesArriveInTheirBlocksAndThePageSetupIsDecoded) {
  const auto job = test::readJob(fullJob());
  ASSERT_EQ(job.result, kJobReadOK);
  EXPECT_EQ(job.view->jobDictionary(), jobDictionaryValue());
  EXPECT_EQ(decodeArchiveIn(job.view->settings().uploadData),
            ArchivedValue::dictionary({{"f", ArchivedValue::string("pt5")}}));
  EXPECT_EQ(decodeArchiveIn(currentUploadData().emailEntryBuffer),
            ArchivedValue::dictionary({{"userdata", ArchivedValue::string("abc")}}));
  ASSERT_TRUE(gCocoaPrintInfo.has_value());
  EXPECT_EQ(*gCocoaPrintInfo, pageSetupValue());

  JobSpec withoutPageSetup = fullJob();
  withoutPageSetup.pageSetupArchive.clear();
  ASSERT_EQ(test::readJob(withoutPageSetup).result, kJobReadOK);
  EXPECT_FALSE(gCocoaPrintInfo.has_value()) << "a job without a page setup clears the last one";

  JobSpec undecodable = fullJob();
  undecodable.pageSetupArchive = Bytes(300, 0x20);
  EXPECT_EQ(test::readJob(undecodable).result, kJobReadOK) << "an unreadable page setup is no read error";
  EXPECT_FALSE(gCocoaPrintInfo.has_value());
}

TEST(JobFileReader, ArchiveLengthsPastTheirBuffersAreReadErrors) {
  const struct {
    const char* name;
    void (*damage)(JobSpec&);
    std::int16_t result;
  } cases[] = {
      {"upload data 4093", [](JobSpec& s) { s.uploadLength = 4093; }, kJobReadError},
      {"job dictionary 32765", [](JobSpec& s) { s.dictionaryLength = 32765; }, kJobReadError},
      {"e-mail entry 9999", [](JobSpec& s) { s.emailLength = 9999; }, kJobReadError},
      {"job dictionary 32764", [](JobSpec& s) { s.dictionaryLength = 32764; }, kJobReadOK},
      {"negative: no archive", [](JobSpec& s) { s.uploadLength = -5; }, kJobReadOK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JobSpec spec = test::minimalJob();
    c.damage(spec);
    EXPECT_EQ(test::readJob(spec).result, c.result);
  }
}

TEST(JobFileReader, BadSignatureReadsNothingElse) {
  gCurrentTemplateName = Str31("before");
  for (std::uint16_t signature : {0x5488, 0x0000, 0x8855}) {
    SCOPED_TRACE(signature);
    JobSpec spec = test::minimalJob();
    spec.signature = signature;
    const auto job = test::readJob(spec);
    EXPECT_EQ(job.result, kJobBadSignature);
    EXPECT_TRUE(job.observer->jobInfos.empty());
    EXPECT_TRUE(job.view->layoutObjects().empty());
    EXPECT_EQ(job.view->settings().printerType, 0);
  }
  EXPECT_EQ(gCurrentTemplateName.macRoman(), "before");
}

TEST(JobFileReader, ATruncationAtAnyBlockIsAReadError) {
  const test::WrittenJob written = test::writeJobFile(fullJob());
  ASSERT_EQ(test::readJob(written.bytes).result, kJobReadOK);
  for (int block = 1; block <= 42; ++block) {
    const std::size_t start = written.blockStart[static_cast<std::size_t>(block)];
    const std::size_t end = block < 42 ? written.blockStart[static_cast<std::size_t>(block) + 1]
                                       : written.bytes.size() - fullJob().trailingBytes.size();
    // At the block's start, one byte in, and one byte before its end.
    for (std::size_t cut : {start, start + 1, end - 1}) {
      if (cut >= end) continue;
      SCOPED_TRACE(testing::Message() << "block " << block << " cut at " << cut);
      const Bytes truncated(written.bytes.begin(), written.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
      EXPECT_EQ(test::readJob(truncated).result, kJobReadError);
    }
  }
}

TEST(JobFileReader, LengthBytesOverTheirFieldsAreReadErrors) {
  const struct {
    const char* name;
    void (*damage)(JobSpec&);
    std::int16_t result;
  } cases[] = {
      {"template name of 31", [](JobSpec& s) { s.templateName = std::string(31, 'T'); }, kJobReadOK},
      {"template length byte 32",
       [](JobSpec& s) {
         s.templateLengthByte = 32;
         s.templateName = std::string(32, 'T');
       },
       kJobReadError},
      {"template length byte 255", [](JobSpec& s) { s.templateLengthByte = 255; }, kJobReadError},
      {"package name of 32", [](JobSpec& s) { s.packageName = std::string(32, 'P'); }, kJobReadError},
      {"job information text of 32",
       [](JobSpec& s) {
         s.jobInfo = test::jobInfoBytes(std::string(32, 'J'), "", 0, 0, {0, 0, 0});
       },
       kJobReadError},
      {"print-to-file folder name of 64",
       [](JobSpec& s) { s.printToFile = test::RecordBytes(982).pascal(6, std::string(64, 'F')).bytes(); },
       kJobReadError},
      {"colour-matching printer profile name of 64",
       [](JobSpec& s) {
         s.colorSync = test::RecordBytes(47550).pascal(212 + 202 * 40 + 10, std::string(64, 'C')).bytes();
       },
       kJobReadError},
      {"a page record's photo name of 64",
       [](JobSpec& s) {
         test::ImageSpec image;
         image.photoName = std::string(64, 'I');
         s.pageRecords = {test::imageRecord(image)};
       },
       kJobReadError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JobSpec spec = test::minimalJob();
    c.damage(spec);
    EXPECT_EQ(test::readJob(spec).result, c.result);
  }
}

TEST(JobFileReader, ListCountsMustNameOneTo32767Records) {
  const struct {
    const char* name;
    void (*set)(JobSpec&);
  } cases[] = {
      {"page count 0", [](JobSpec& s) { s.pageRecords.clear(); }},
      {"page count 65536 (0 in 16 bits)", [](JobSpec& s) { s.pageCount = 65536; }},
      {"page count 70000 (4464 in 16 bits)", [](JobSpec& s) { s.pageCount = 70000; }},
      {"page count 40000 (negative in 16 bits)", [](JobSpec& s) { s.pageCount = 40000; }},
      {"page count -1", [](JobSpec& s) { s.pageCount = 0xFFFFFFFF; }},
      {"page count larger than the records", [](JobSpec& s) { s.pageCount = 2; }},
      {"sub-job count 0", [](JobSpec& s) { s.hasSubJob = true; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JobSpec spec = test::minimalJob();
    c.set(spec);
    EXPECT_EQ(test::readJob(spec).result, kJobReadError);
  }
}

// Every record is there, so only the limit of a list can refuse the count.
TEST(JobFileReader, AListHoldsAt32767Records) {
  const Bytes record = test::backColorRecord({});
  for (const bool subJob : {false, true}) {
    for (const std::size_t count : {std::size_t{32767}, std::size_t{32768}}) {
      SCOPED_TRACE(testing::Message() << (subJob ? "sub-job " : "page ") << count);
      JobSpec spec = test::minimalJob();
      std::vector<Bytes> records(count, record);
      if (subJob) {
        spec.hasSubJob = true;
        spec.subJobRecords = std::move(records);
      } else {
        spec.pageRecords = std::move(records);
      }
      const auto job = test::readJob(spec);
      EXPECT_EQ(job.result, count <= 32767 ? kJobReadOK : kJobReadError);
      if (job.result == kJobReadOK) {
        EXPECT_EQ((subJob ? job.view->subJobObjects() : job.view->layoutObjects()).size(), count);
      }
    }
  }
}

TEST(JobFileReader, JobNameLosesOnlyItsLastExtension) {
  const struct {
    const char* stored;
    const char* kept;
  } cases[] = {{"portrait.final.jpg", "portrait.final"},
               {"no extension", "no extension"},
               {"trailing.", "trailing"},
               {".jpg", ""},
               {"", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    JobSpec spec = test::minimalJob();
    spec.jobName = c.stored;
    const auto job = test::readJob(spec);
    ASSERT_EQ(job.result, kJobReadOK);
    EXPECT_EQ(job.view->settings().jobName.macRoman(), c.kept);
  }
}

TEST(JobFileReader, TheSecondPrintToFileRecordReplacesTheFirstButTheFirstDecidesTheRecordStructs) {
  JobSpec spec = test::minimalJob();
  spec.recordStructsFollow = 1;
  spec.recordStructs = std::array<std::vector<std::string>, 2>{};
  // The second copy says no record structs follow and names another yearbook folder.
  spec.printToFileAgain = test::RecordBytes(982).pascal(364, "Yearbook 2011").bytes();
  const auto job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  EXPECT_EQ(job.view->settings().printToFileRecord.yearbookFolderName.macRoman(), "Yearbook 2011");
  EXPECT_EQ(job.view->settings().printToFileRecord.hasRecordBlocks, 0);
}

TEST(JobFileReader, AttributeRecordsSetTheJobSwitchesButNotFromInsideANode) {
  JobSpec spec = test::minimalJob();
  test::AttributeSpec first;  // all four 1
  test::AttributeSpec second;
  second.subjobResizeMode = 2;
  second.saveTemplateAsIs = 0;
  second.ignoreOverlays = 1;
  second.saveOriginal = 0;
  test::NodeSpec node;
  node.records = {test::attributeRecord(first)};
  spec.pageRecords = {test::attributeRecord(first), test::attributeRecord(second), test::nodeRecord(node)};
  const auto job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK);
  const JobFileSettings& s = job.view->settings();
  EXPECT_EQ(s.subjobResizeMode, 2);
  EXPECT_EQ(s.saveTemplateAsIs, 0);
  EXPECT_EQ(s.ignoreOverlays, 1);
  EXPECT_EQ(s.saveOriginal, 0);
  EXPECT_TRUE(job.view->IgnoreOverlays());
  EXPECT_FALSE(job.view->SaveOriginal());
}

TEST(JobFileReader, ColourMatchingRecordSetsTheEmbeddedProfileSwitch) {
  for (std::uint16_t applyEmbedded : {0, 1, 0x0100}) {
    SCOPED_TRACE(applyEmbedded);
    JobSpec spec = test::minimalJob();
    spec.applyEmbeddedProfiles = applyEmbedded;
    ASSERT_EQ(test::readJob(spec).result, kJobReadOK);
    EXPECT_EQ(gApplyEmbedded, applyEmbedded != 0);
  }
}

// A keyed archive whose top dictionary also holds a UTF-16 key with U+0000. Reading that key aborted the
// process inside libplist; the archive is now simply undecodable.
Bytes archiveWithNulKey() {
  using namespace std::string_view_literals;
  test::BinaryPlistBuilder list;
  const auto archiver = list.ascii("$archiver"), archiverName = list.ascii("NSKeyedArchiver");
  const auto objectsKey = list.ascii("$objects"), topKey = list.ascii("$top"), rootKey = list.ascii("root");
  const auto objects = list.array({list.next() + 1});
  list.ascii("$null");
  const auto top = list.dictionary({{rootKey, list.uid(0)}});
  const auto nulKey = list.utf16(u"page\u0000setup"sv);
  const auto one = list.integer(1);
  return list.finish(list.dictionary({{archiver, archiverName}, {objectsKey, objects}, {topKey, top}, {nulKey, one}}));
}

TEST(JobFileReader, AnArchiveWithAKeyHoldingNulIsUndecodableNotFatal) {
  JobSpec spec = fullJob();
  spec.pageSetupArchive = archiveWithNulKey();
  spec.dictionaryArchive = archiveWithNulKey();
  spec.uploadArchive = archiveWithNulKey();
  const auto job = test::readJob(spec);
  ASSERT_EQ(job.result, kJobReadOK) << "an undecodable page setup leaves the job without one";
  EXPECT_FALSE(gCocoaPrintInfo.has_value());
  EXPECT_FALSE(job.view->jobDictionary().has_value());
  EXPECT_FALSE(decodeArchiveIn(job.view->settings().uploadData).has_value());
}

// The values the reader hands to the rest of the process (template name, embedded-profile switch, blur radius,
// page setup, e-mail block, customer e-mail, group code) change only when a job was read whole.
TEST(JobFileReader, ARefusedJobLeavesTheProcessWideValuesAsTheyWere) {
  JobSpec before = fullJob();
  before.templateName = "Before";
  before.applyEmbeddedProfiles = 0;
  before.blurValue = 2.0f;
  before.groupCode = "group before";
  ASSERT_EQ(test::readJob(before).result, kJobReadOK);
  const ArchivedValue pageSetupBefore = *gCocoaPrintInfo;
  const auto uploadBefore = currentUploadData();

  const struct {
    const char* name;
    Bytes (*write)(JobSpec&);
    std::int16_t result;
  } cases[] = {
      {"job dictionary length too long",
       [](JobSpec& s) {
         s.dictionaryLength = 32765;
         return test::writeJobFile(s).bytes;
       },
       kJobReadError},
      {"cut inside the page setup, the last block",
       [](JobSpec& s) {
         s.trailingBytes.clear();
         Bytes bytes = test::writeJobFile(s).bytes;
         bytes.erase(bytes.end() - 3, bytes.end());
         return bytes;
       },
       kJobReadError},
      {"print-to-file set missing",
       [](JobSpec& s) {
         s.printerType = 27;
         s.printerBlock = test::RecordBytes(130).be16(0, 9).bytes();
         return test::writeJobFile(s).bytes;
       },
       kJobPrintToFileSetMissing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JobSpec refused = fullJob();
    refused.templateName = "Refused";
    refused.applyEmbeddedProfiles = 1;
    refused.blurValue = 7.5f;
    refused.groupCode = "group refused";
    refused.customerEmail = "refused@example.com";
    refused.emailArchive = test::encodeKeyedArchive(ArchivedValue::dictionary({{"x", ArchivedValue::integer(1)}}));
    refused.pageSetupArchive = test::encodeKeyedArchive(ArchivedValue::string("refused"));
    ASSERT_EQ(test::readJob(c.write(refused)).result, c.result);
    EXPECT_EQ(gCurrentTemplateName.macRoman(), "Before");
    EXPECT_FALSE(gApplyEmbedded);
    EXPECT_EQ(myBlurValue, 2.0f);
    ASSERT_TRUE(gCocoaPrintInfo.has_value());
    EXPECT_EQ(*gCocoaPrintInfo, pageSetupBefore);
    EXPECT_EQ(currentUploadData().groupCode.macRoman(), "group before");
    EXPECT_EQ(currentUploadData().customerEmail.macRoman(), uploadBefore.customerEmail.macRoman());
    EXPECT_EQ(currentUploadData().emailEntryBuffer, uploadBefore.emailEntryBuffer);
  }
}

TEST(JobFileReader, ReadsAJobFileFromDiskAndRefusesAMissingOne) {
  const auto folder = test::makeTempFolder("jobs");
  const auto path = folder / "Job 1";
  test::writeFile(path, test::writeJobFile(test::minimalJob()).bytes);

  TBGPrintView byPath;
  EXPECT_EQ(byPath.ReadObjects(path), kJobReadOK);
  EXPECT_EQ(byPath.layoutObjects().size(), 1u);

  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(path, spec), noErr);
  TBGPrintView bySpec;
  EXPECT_EQ(bySpec.ReadObjects(spec), kJobReadOK);

  TBGPrintView missing;
  EXPECT_EQ(missing.ReadObjects(folder / "no such job"), kJobReadError);
}

TEST(JobFileReader, PrintToFileJobWithoutItsSetFolderIs109AfterTheWholeFileIsRead) {
  for (std::int16_t setNumber : {1, 0, 9}) {
    SCOPED_TRACE(setNumber);
    JobSpec spec = test::minimalJob();
    spec.printerType = 27;
    spec.printerBlock = test::RecordBytes(130).be16(0, static_cast<std::uint16_t>(setNumber)).bytes();
    spec.groupCode = "read to the end";
    const auto job = test::readJob(spec);
    EXPECT_EQ(job.result, kJobPrintToFileSetMissing);
    EXPECT_EQ(job.view->settings().print2FileItem.setNumber, setNumber);
    EXPECT_EQ(job.view->settings().groupCode.macRoman(), "read to the end");
  }
}

TEST(JobFileReader, PrintToFileJobWhoseSetFolderResolvesReadsAsZero) {
  const auto folder = test::makeTempFolder("set-3");
  FSSpec folderSpec;
  ASSERT_EQ(FSMakeFSSpecFromPath(folder, folderSpec), noErr);
  tSpecialPrintToFilePref* set = getMyPrintToFileSetPrefs(3);
  ASSERT_NE(set, nullptr);
  set->folder.aliasId = 4513;
  SaveFSSpecAsAliasHandle(folderSpec, 4513);

  JobSpec spec = test::minimalJob();
  spec.printerType = 51;
  spec.printerBlock = test::RecordBytes(130).be16(0, 3).bytes();
  EXPECT_EQ(test::readJob(spec).result, kJobReadOK);
  EXPECT_EQ(set->folder.spec.name.toUtf8(), folder.filename().string()) << "the set's folder is refreshed";
}

}  // namespace
}  // namespace vorl
