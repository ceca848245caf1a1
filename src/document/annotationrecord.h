// The comment boxes of a document: the Annotation records the reader and
// writer deal in, made into the graph objects the graph window shows, and
// back. The record keeps the text as markup; the graph object lays it out.
#pragma once

#include "document/document.h"

#include <memory>

class TAnnotation;

// The comment box of a record (its markup laid out at the current formula
// height), or nullptr when the markup cannot be read.
[[nodiscard]] std::unique_ptr<TAnnotation> AnnotationFromRecord(const TAnnotationRecord& record);
// The record of a comment box.
[[nodiscard]] TAnnotationRecord AnnotationRecordOf(const TAnnotation& annotation);
