// SolvingTime and SystemTime: the Python classes over the shared time-record template.
#include "python/docs.hpp"
#include "python/sample_set/time_class.hpp"

namespace zorvane {

const ClassDef kSolvingTimeClass = time_class::time_class<SolvingTime>(
    {docs::kMethodSolvingTimeToDict, docs::kMethodSolvingTimeFromDict, docs::kMethodSolvingTimeToJson,
     docs::kMethodSolvingTimeFromJson});

const ClassDef kSystemTimeClass = time_class::time_class<SystemTime>(
    {docs::kMethodSystemTimeToDict, docs::kMethodSystemTimeFromDict, docs::kMethodSystemTimeToJson,
     docs::kMethodSystemTimeFromJson});

}  // namespace zorvane
