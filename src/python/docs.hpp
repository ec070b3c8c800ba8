// The documentation of every Python class, module function and method (the texts are in
// docs.cpp, the one unit that lays them out). Only the bodies: the text signature line before
// each is rendered from the argument parser's record of the callable.
#pragma once

#include <array>

#include "python/class_id.hpp"
#include "python/function_id.hpp"

namespace zorvane::docs {

/// Each class's documentation (null: `__doc__` is None), indexed by `ClassId`.
extern const std::array<const char*, kClassCount> kClassDocs;

/// Each module function's documentation body (null: `__doc__` is None), indexed by `FunctionId`.
extern const std::array<const char*, kFunctionCount> kFunctionDocs;

// Method documentation bodies (null: `__doc__` is None).
extern const char* const kMethodSetLatex;
extern const char* const kMethodReprLatex;
extern const char* const kMethodLenAt;
extern const char* const kMethodDummyIndexedVarSum;
extern const char* const kMethodDummyIndexedVarProd;
extern const char* const kMethodSampleSetToDict;
extern const char* const kMethodSampleSetFromDict;
extern const char* const kMethodSampleSetToJson;
extern const char* const kMethodSampleSetFromJson;
extern const char* const kMethodSampleSetToPandas;
extern const char* const kMethodSampleSetToDense;
extern const char* const kMethodSampleSetIsDense;
extern const char* const kMethodSampleSetIsSparse;
extern const char* const kMethodSampleSetFeasible;
extern const char* const kMethodSampleSetInfeasible;
extern const char* const kMethodSampleSetLowest;
extern const char* const kMethodSampleSetGetBackendCalculationTime;
extern const char* const kMethodRecordIsDense;
extern const char* const kMethodRecordIsSparse;
extern const char* const kMethodRecordToDict;
extern const char* const kMethodRecordFromDict;
extern const char* const kMethodRecordToJson;
extern const char* const kMethodRecordFromJson;
extern const char* const kMethodRecordToDense;
extern const char* const kMethodRecordToSparse;
extern const char* const kMethodRecordToPandas;
extern const char* const kMethodEvaluationToDict;
extern const char* const kMethodEvaluationFromDict;
extern const char* const kMethodEvaluationToJson;
extern const char* const kMethodEvaluationFromJson;
extern const char* const kMethodEvaluationToPandas;
extern const char* const kMethodSolvingTimeToDict;
extern const char* const kMethodSolvingTimeFromDict;
extern const char* const kMethodSolvingTimeToJson;
extern const char* const kMethodSolvingTimeFromJson;
extern const char* const kMethodSystemTimeToDict;
extern const char* const kMethodSystemTimeFromDict;
extern const char* const kMethodSystemTimeToJson;
extern const char* const kMethodSystemTimeFromJson;
extern const char* const kMethodMeasuringTimeToDict;
extern const char* const kMethodMeasuringTimeFromDict;
extern const char* const kMethodMeasuringTimeToJson;
extern const char* const kMethodMeasuringTimeFromJson;
/// The read-only attribute `Evaluation.constraint_expr_values`.
extern const char* const kGetterEvaluationConstraintExprValues;

}  // namespace zorvane::docs
