#pragma once

// Records files: one record per simulation, either CSV with a header line or
// JSON lines (one object per line). The fields, one line, the reader and the
// writer each have their own header; this one brings them all.

#include "batchstats/RecordFields.h"
#include "batchstats/RecordLines.h"
#include "batchstats/RecordsReader.h"
#include "batchstats/RecordsWriter.h"
