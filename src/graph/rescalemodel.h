// TRescaleModel: what the Rescale dialog does with the scales, without the
// dialog. It offers the bounds the four editors start from, fills them from
// a curve's suggested ranges (Autoscale) or from the stored scales (Last
// Scales), applies typed bounds while the dialog stays open and takes
// everything it applied back on Cancel, so that however often Apply is
// pressed the scale list gains exactly one entry: the scale from before.
#pragma once

#include "expr/realreader.h"
#include "graph/axes.h"

#include <functional>
#include <optional>
#include <string>

class TGraphParams;
class TScaleHost;

// The four bounds of a scale as number objects, typed form kept. A null
// entry is one that could not be read.
struct TScaleEntries {
    TRealReaderPtr xmin, xmax, ymin, ymax;

    [[nodiscard]] bool Complete() const { return xmin && xmax && ymin && ymax; }
    [[nodiscard]] TScaleEntries Clone() const;
};

// Rounds a suggested pair of bounds to about three figures of its range
// (k = Round(log10(|max - min| / 2) + 0.5) - 2, each bound to the nearest
// multiple of 10^k). A pair of zero width or with a bound that is not finite
// has no such k and is left as it is; answers whether it rounded.
bool RoundAutoscalePair(Extended& min, Extended& max);

class TRescaleModel {
public:
    // Works on the scales of params, redrawing window (borrowed; may be nullptr).
    TRescaleModel(TGraphParams& params, TScaleHost* window);

    // The scale in force as the editors show it: in graph-paper step form
    // the maxima are shown, not the steps.
    [[nodiscard]] TScaleEntries Initial() const;

    // The bounds with the pairs of the axes a curve concerns replaced by its
    // suggestion (suggest changes the ranges it concerns) and rounded; the
    // other pairs stay as typed. Sets EntriesFilled. Nothing is applied.
    [[nodiscard]] TScaleEntries Autoscale(const TScaleEntries& typed,
                                          const std::function<void(TAxisRanges&)>& suggest);

    // The next stored scale, newest first and round again, with its maxima
    // resolved like the scale in force; none while the list is empty. Sets
    // EntriesFilled and counts the press. Nothing is applied.
    [[nodiscard]] std::optional<TScaleEntries> LastScales();

    enum class TApplyResult { Applied, Invalid };
    // Applies complete entries: they are validated, their graph-paper maxima
    // snapped to whole steps (entries then hold what was applied), and the
    // scale is put in force. The first Apply keeps the scale from before in
    // the list; later ones replace the scale in force and leave the list
    // alone. Invalid leaves everything as it was with the reason in message.
    TApplyResult Apply(TScaleEntries& entries, std::string& message);

    // Takes back what Apply did: the scale from before is in force again and
    // the list is as it was (but for an entry a full list dropped).
    void UndoApplied();

    [[nodiscard]] bool Applied() const { return applied_; }
    // The entries were filled by Autoscale or Last Scales (a change for Apply).
    [[nodiscard]] bool EntriesFilled() const { return entriesFilled_; }
    [[nodiscard]] int LastScalesCount() const { return lastScalesCount_; }

private:
    [[nodiscard]] std::unique_ptr<TRescaleDataTransfer> Transfer(const TScaleEntries& entries) const;

    TGraphParams& params_;
    TScaleHost* window_;
    bool applied_ = false;
    bool entriesFilled_ = false;
    int lastScalesCount_ = 0;
};
