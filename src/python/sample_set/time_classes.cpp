// SolvingTime and SystemTime: the Python classes over the shared time-record template.
#include "python/docs.hpp"
#include "python/registry.hpp"
#include "python/sample_set/time_class.hpp"

namespace zorvane {

const ClassDef kSolvingTimeClass = time_class::time_class<SolvingTime>(
    {docs::kMethodDocSolvingTimeToDict, docs::kMethodDocSolvingTimeFromDict, docs::kMethodDocSolvingTimeToJson,
     docs::kMethodDocSolvingTimeFromJson});

const ClassDef kSystemTimeClass = time_class::time_class<SystemTime>(
    {docs::kMethodDocSystemTimeToDict, docs::kMethodDocSystemTimeFromDict, docs::kMethodDocSystemTimeToJson,
     docs::kMethodDocSystemTimeFromJson});

}  // namespace zorvane
