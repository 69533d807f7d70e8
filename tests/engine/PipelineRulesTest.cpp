// The small decisions of the pipeline, tested on their own.

#include <gtest/gtest.h>

#include "engine/AudioVolume.h"
#include "engine/VideoSync.h"
#include "media/LibraryPtrs.h"

using engine::VideoSyncFrames;

TEST(VideoSync, ConstantRateRuleDuplicatesAndDrops) {
  struct {
    double vdelta;
    int frames;
  } cases[] = {{25, 25}, {1.1, 1}, {1.2, 1}, {1.6, 2}, {2.5, 2}, {3.5, 4}, {0, 1}, {-1.0, 1}, {-1.2, 0}};
  for (const auto& k : cases) {
    int64_t sync_opts = 100;
    EXPECT_EQ(VideoSyncFrames(1, 100 + k.vdelta, sync_opts), k.frames) << k.vdelta;
    EXPECT_EQ(sync_opts, 100);
  }
}

TEST(VideoSync, VariableRateRuleRebasesOrDrops) {
  int64_t sync_opts = 100;
  EXPECT_EQ(VideoSyncFrames(2, 100.7, sync_opts), 1);
  EXPECT_EQ(sync_opts, 101);
  sync_opts = 100;
  EXPECT_EQ(VideoSyncFrames(2, 99.3, sync_opts), 0);
  EXPECT_EQ(VideoSyncFrames(2, 100.5, sync_opts), 1);
  EXPECT_EQ(sync_opts, 100);
  EXPECT_EQ(VideoSyncFrames(2, 140, sync_opts), 1);
  EXPECT_EQ(sync_opts, 140);
}

TEST(VideoSync, PassThroughFollowsTheInputTime) {
  int64_t sync_opts = 7;
  EXPECT_EQ(VideoSyncFrames(0, 42.5, sync_opts), 1);
  EXPECT_EQ(sync_opts, 42);  // ties to even
  EXPECT_EQ(VideoSyncFrames(0, 3.2, sync_opts), 1);
  EXPECT_EQ(sync_opts, 3);
}

TEST(AudioVolume, ScalesAndClampsSamples) {
  media::FramePtr f = media::MakeFrame();
  f->format = AV_SAMPLE_FMT_S16;
  f->nb_samples = 4;
  av_channel_layout_default(&f->ch_layout, 1);
  ASSERT_GE(av_frame_get_buffer(f.get(), 0), 0);
  auto* s = reinterpret_cast<int16_t*>(f->data[0]);
  s[0] = 1000, s[1] = 20000, s[2] = -20000, s[3] = -3;
  engine::ScaleVolume(f.get(), 512);
  EXPECT_EQ(s[0], 2000);
  EXPECT_EQ(s[1], 32767);
  EXPECT_EQ(s[2], -32768);
  EXPECT_EQ(s[3], -6);

  media::FramePtr p = media::MakeFrame();
  p->format = AV_SAMPLE_FMT_FLTP;
  p->nb_samples = 2;
  av_channel_layout_default(&p->ch_layout, 2);
  ASSERT_GE(av_frame_get_buffer(p.get(), 0), 0);
  for (int ch = 0; ch < 2; ++ch) reinterpret_cast<float*>(p->data[ch])[1] = 0.5f;
  engine::ScaleVolume(p.get(), 128);
  EXPECT_FLOAT_EQ(reinterpret_cast<float*>(p->data[1])[1], 0.25f);
}
