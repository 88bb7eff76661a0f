#include "partition/create_request.h"

namespace partition {

CreatePartitionRequestRecord CreatePartitionRequest;

void ResetCreatePartitionRequest() { CreatePartitionRequest = CreatePartitionRequestRecord{}; }

}  // namespace partition
