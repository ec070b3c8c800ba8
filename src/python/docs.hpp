// The documentation of every Python class, module function and method (the texts are in
// docs.cpp, the one unit that lays them out). Method texts are complete: "name(sig)\n--\n\n"
// then the body, as a PyMethodDef holds them.
#pragma once

#include <array>

#include "python/class_id.hpp"
#include "python/frame/frame.hpp"

namespace zorvane::docs {

/// Each class's documentation and constructor signature, indexed by `ClassId`.
extern const std::array<ClassDocs, kClassCount> kClassDocs;

/// A module function's name, text signature (e.g. "(expr)") and documentation body (null:
/// nothing after the signature line).
struct FunctionDocs {
  const char* name;
  const char* signature;
  const char* body;
};

extern const FunctionDocs kIsLinearFunction;
extern const FunctionDocs kIsQuadraticFunction;
extern const FunctionDocs kIsHigherOrderFunction;
extern const FunctionDocs kIsDynamicDegreeFunction;
extern const FunctionDocs kExtractNodesFunction;
extern const FunctionDocs kExtractVariablesFunction;
extern const FunctionDocs kIsSameFunction;
extern const FunctionDocs kAbsFunction;
extern const FunctionDocs kCeilFunction;
extern const FunctionDocs kFloorFunction;
extern const FunctionDocs kLog2Function;
extern const FunctionDocs kLog10Function;
extern const FunctionDocs kLnFunction;
extern const FunctionDocs kMinFunction;
extern const FunctionDocs kMaxFunction;
extern const FunctionDocs kSumFunction;
extern const FunctionDocs kProdFunction;
extern const FunctionDocs kToProtobufFunction;
extern const FunctionDocs kFromProtobufFunction;
extern const FunctionDocs kReplaceFunction;
extern const FunctionDocs kConcatenateFunction;

extern const char* const kMethodDocSetLatex;
extern const char* const kMethodDocReprLatex;
extern const char* const kMethodDocLenAt;
extern const char* const kMethodDocDummyIndexedVarSum;
extern const char* const kMethodDocDummyIndexedVarProd;
extern const char* const kMethodDocSampleSetToDict;
extern const char* const kMethodDocSampleSetFromDict;
extern const char* const kMethodDocSampleSetToJson;
extern const char* const kMethodDocSampleSetFromJson;
extern const char* const kMethodDocSampleSetToPandas;
extern const char* const kMethodDocSampleSetToDense;
extern const char* const kMethodDocSampleSetIsDense;
extern const char* const kMethodDocSampleSetIsSparse;
extern const char* const kMethodDocSampleSetFeasible;
extern const char* const kMethodDocSampleSetInfeasible;
extern const char* const kMethodDocSampleSetLowest;
extern const char* const kMethodDocSampleSetGetBackendCalculationTime;
extern const char* const kMethodDocRecordIsDense;
extern const char* const kMethodDocRecordIsSparse;
extern const char* const kMethodDocRecordToDict;
extern const char* const kMethodDocRecordFromDict;
extern const char* const kMethodDocRecordToJson;
extern const char* const kMethodDocRecordFromJson;
extern const char* const kMethodDocRecordToDense;
extern const char* const kMethodDocRecordToSparse;
extern const char* const kMethodDocRecordToPandas;
extern const char* const kMethodDocEvaluationToDict;
extern const char* const kMethodDocEvaluationFromDict;
extern const char* const kMethodDocEvaluationToJson;
extern const char* const kMethodDocEvaluationFromJson;
extern const char* const kMethodDocEvaluationToPandas;
extern const char* const kMethodDocSolvingTimeToDict;
extern const char* const kMethodDocSolvingTimeFromDict;
extern const char* const kMethodDocSolvingTimeToJson;
extern const char* const kMethodDocSolvingTimeFromJson;
extern const char* const kMethodDocSystemTimeToDict;
extern const char* const kMethodDocSystemTimeFromDict;
extern const char* const kMethodDocSystemTimeToJson;
extern const char* const kMethodDocSystemTimeFromJson;
extern const char* const kMethodDocMeasuringTimeToDict;
extern const char* const kMethodDocMeasuringTimeFromDict;
extern const char* const kMethodDocMeasuringTimeToJson;
extern const char* const kMethodDocMeasuringTimeFromJson;
extern const char* const kGetterEvaluationConstraintExprValues;

}  // namespace zorvane::docs
