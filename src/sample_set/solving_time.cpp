// SolvingTime: the Python class over the shared time-record templates.
#include "sample_set/solving_time.hpp"

#include "lib/docs.hpp"
#include "lib/registry.hpp"

namespace zorvane {

const ClassDef kSolvingTimeClass = time_fields::time_class<SolvingTime>(
    {docs::kMethodDocSolvingTimeToDict,
     docs::kMethodDocSolvingTimeFromDict, docs::kMethodDocSolvingTimeToJson,
     docs::kMethodDocSolvingTimeFromJson});

}  // namespace zorvane
