// SystemTime: the Python class over the shared time-record templates.
#include "sample_set/system_time.hpp"

#include "lib/docs.hpp"
#include "lib/registry.hpp"

namespace zorvane {

const ClassDef kSystemTimeClass = time_fields::time_class<SystemTime>(
    {docs::kMethodDocSystemTimeToDict,
     docs::kMethodDocSystemTimeFromDict, docs::kMethodDocSystemTimeToJson,
     docs::kMethodDocSystemTimeFromJson});

}  // namespace zorvane
