// One recording's job driven directly, as the batch converter's workers do:
// the options, the setup, the stop flag and the job's records, results and
// progress in a temporary folder.
#pragma once

#include <atomic>

#include <gtest/gtest.h>

#include "batch/batch_job.h"
#include "batch/batch_setup.h"
#include "tests/support/test_files.h"

struct JobFixture : ::testing::Test {
    TempDir tmp;
    BatchOptions options;
    BatchSetup setup;
    std::atomic<bool> stop{false};
    JobRecords records;
    JobResult result;
    JobProgress progress;

    JobContext Context() const { return JobContext{setup, options, stop, ""}; }
};
