#include "document/annotationrecord.h"

#include "plot/annotation.h"

std::unique_ptr<TAnnotation> AnnotationFromRecord(const TAnnotationRecord& record)
{
    auto annotation = std::make_unique<TAnnotation>(record.x, record.y);
    if (!annotation->SetMarkup(record.markup))
        return nullptr;
    annotation->OffsetX = record.dx;
    annotation->OffsetY = record.dy;
    annotation->SetColour(record.colour);
    return annotation;
}

TAnnotationRecord AnnotationRecordOf(const TAnnotation& annotation)
{
    TAnnotationRecord record;
    record.x = annotation.AnchorX;
    record.y = annotation.AnchorY;
    record.dx = annotation.OffsetX;
    record.dy = annotation.OffsetY;
    record.colour = annotation.GetColour();
    record.markup = annotation.Markup();
    return record;
}
