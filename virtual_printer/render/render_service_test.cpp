// The render thread beside a printer engine: files per cut, the unfinished
// part on request and at stop, PNG contents, a queue that drops instead of
// waiting, and an engine whose recorded answers do not change.
#include "virtual_printer/render/render_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support/temp_prefix.h"
#include "virtual_printer/render/render_test_util.h"
#include "virtual_printer/render/symbol_reader.h"

namespace qvvp {
namespace {

namespace fs = std::filesystem;
using namespace test;  // B, T and + for byte streams

constexpr int64_t kWaitMs = 10000;

CDotImage ReadPng(const fs::path& file) {
  std::optional<CDotImage> dots = test::ReadPngDots(file.string());
  EXPECT_TRUE(dots) << file;
  return dots ? *dots : CDotImage();
}

CDotImage RenderAlone(const Bytes& stream) {
  std::vector<RenderedReceipt> images;
  std::string error;
  EXPECT_TRUE(RenderStream(stream.data(), stream.size(), RenderLimits(), &images, nullptr, &error));
  return images.empty() ? CDotImage() : images[0].image;
}

class RenderServiceTest : public ::testing::Test {
 protected:
  std::unique_ptr<CRenderService> Start(RenderOptions options) {
    std::string error;
    std::unique_ptr<CRenderService> service = CRenderService::Start(std::move(options), &error);
    EXPECT_TRUE(service) << error;
    if (service) service->Attach(m_engine);
    m_parser = m_engine.NewParser();
    return service;
  }
  void Send(const Bytes& bytes) { m_engine.Consume(*m_parser, bytes.data(), bytes.size()); }

  TempPrefix m_prefix;
  PrinterEngine m_engine;
  std::unique_ptr<EscPosParser> m_parser;
};

TEST_F(RenderServiceTest, WritesAFilePerCutAndTheUncutPaperOnRequestAndAtStop) {
  RenderOptions options;
  options.directory = m_prefix.root() / "render";
  std::unique_ptr<CRenderService> service = Start(options);
  ASSERT_TRUE(service);
  Send(T("A\n") + B({0x1B, 0x69}) + T("B\n"));
  ASSERT_TRUE(service->WaitIdle(kWaitMs));

  const fs::path first = options.directory / "receipt-0001.png";
  ASSERT_TRUE(fs::exists(first));
  EXPECT_EQ(ReadPng(first), RenderAlone(T("A\n")));
  ASSERT_EQ(service->Images().size(), 1u);
  EXPECT_EQ(service->Images()[0].image, RenderAlone(T("A\n")));

  const fs::path second = service->WriteUnfinishedNow(kWaitMs);
  EXPECT_EQ(second, options.directory / "receipt-0002.png");
  EXPECT_EQ(ReadPng(second), RenderAlone(T("B\n")));
  EXPECT_EQ(service->Unfinished(kWaitMs).image, RenderAlone(T("B\n")));

  Send(T("C\n"));
  service->Stop();
  EXPECT_EQ(ReadPng(second), RenderAlone(T("B\nC\n")));
  EXPECT_FALSE(fs::exists(options.directory / "receipt-0003.png"));
  EXPECT_EQ(service->stats().images, 2u);
}

TEST_F(RenderServiceTest, WhatDoesNotFitTheQueueIsDroppedAndNoted) {
  RenderOptions options;
  options.maxQueuedBytes = 20000;
  std::unique_ptr<CRenderService> service = Start(options);
  ASSERT_TRUE(service);
  // A raster picture of 72 KB cannot fit a 20 KB queue, however fast the
  // renderer runs; the bytes after it are read afresh.
  const Bytes raster = B({0x1D, 0x76, 0x30, 0, 72, 0, 0xE8, 0x03}) + Bytes(72 * 1000, 0xFF);
  Send(T("A\n"));
  Send(raster);
  Send(T("B\n") + B({0x1B, 0x69}));
  ASSERT_TRUE(service->WaitIdle(kWaitMs));
  EXPECT_EQ(service->stats().lostBytes, raster.size());
  const std::vector<RenderedReceipt> images = service->Images();
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].image, RenderAlone(T("A\nB\n")));
  ASSERT_EQ(images[0].notes.size(), 1u);
  EXPECT_EQ(images[0].notes[0].rfind("72008 byte(s) lost", 0), 0u) << images[0].notes[0];
}

TEST_F(RenderServiceTest, KeptImagesStayWithinTheirBudget) {
  RenderOptions options;
  options.maxKeptBytes = 576 * 30 * 2;  // two one-line receipts
  std::unique_ptr<CRenderService> service = Start(options);
  ASSERT_TRUE(service);
  for (int i = 0; i < 5; ++i) Send(T("A\n") + B({0x1B, 0x69}));
  ASSERT_TRUE(service->WaitIdle(kWaitMs));
  const std::vector<RenderedReceipt> images = service->Images();
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].number, 4u);
  EXPECT_EQ(images[1].number, 5u);
}

TEST_F(RenderServiceTest, TheEngineRecordsTheSameCommandsWithRenderingOn) {
  const Bytes stream = T("A\n") + B({0x1D, 0x76, 0x30, 0, 72, 0, 0xE8, 0x03}) +
                       Bytes(72 * 1000, 0x0F) + B({0x10, 0x04, 0x01, 0x1B, 0x69});
  PrinterEngine plain;
  std::unique_ptr<EscPosParser> parser = plain.NewParser();
  const std::string plainAnswers = plain.Consume(*parser, stream.data(), stream.size());

  std::unique_ptr<CRenderService> service = Start(RenderOptions());
  ASSERT_TRUE(service);
  const std::string answers = m_engine.Consume(*m_parser, stream.data(), stream.size());
  ASSERT_TRUE(service->WaitIdle(kWaitMs));
  EXPECT_EQ(answers, plainAnswers);
  EXPECT_EQ(m_engine.listing(), plain.listing());
  const std::vector<ParsedCommand> commands = m_engine.commands();
  const std::vector<ParsedCommand> plainCommands = plain.commands();
  ASSERT_EQ(commands.size(), plainCommands.size());
  for (size_t i = 0; i < commands.size(); ++i) {
    EXPECT_EQ(commands[i].bytes, plainCommands[i].bytes) << i;
    EXPECT_EQ(commands[i].truncated, plainCommands[i].truncated) << i;
  }
  // The renderer itself saw the whole picture.
  ASSERT_EQ(service->Images().size(), 1u);
  EXPECT_EQ(service->Images()[0].image, RenderAlone(stream));
  EXPECT_GT(service->Images()[0].image.CountPrinted(), 4u * 72 * 1000);
}

}  // namespace
}  // namespace qvvp
