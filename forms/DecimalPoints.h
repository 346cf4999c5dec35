#pragma once
// The "." to "," rewrite of the main window's number fields.

class TLabeledEdit;

// Rewrites each "." as "," in a working copy of the field's text taken once,
// stepping through the character positions while the position is below the
// length of the field's current text (a nested handler may change it). At
// every position the whole copy is assigned to the field, which raises its
// change event only when the copy differs from the field's text, and the
// caret goes to the end. A field whose handler runs on every change
// therefore runs again, nested, after each replaced ".".
//
//   "1.5" in a field without handler: one change, to "1,5"
//   "1.000.5": two changes, "1,000.5" and then "1,000,5"
//   "12345": no change, caret at the end
//
// Assigning a text equal to the field's raises nothing, so the steps that
// would assign it are skipped: only a replaced "." and a change made by
// someone else (seen from the field's change count) cost a comparison. The
// events, their order, the nested runs and the final text are those of the
// stepwise routine; the time is linear in the text's length.
//
// depth counts the nested runs of the caller. Past a small depth the
// remaining points are rewritten in one assignment, which ends the same way
// (the nested run that follows meets the same text) without exhausting the
// stack for a text of thousands of points.
void RewriteDecimalPoints(TLabeledEdit& field, int& depth);
