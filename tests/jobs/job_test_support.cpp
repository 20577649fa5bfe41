#include "tests/jobs/job_test_support.h"

#include "tests/support/object_record_writer.h"

namespace vorl::test {

JobSpec minimalJob() {
  JobSpec spec;
  spec.pageRecords = {backColorRecord({})};
  return spec;
}

ReadJob readJob(const Bytes& bytes) {
  ReadJob job;
  job.result = job.view->ReadJobFile(bytes);
  return job;
}

}  // namespace vorl::test
