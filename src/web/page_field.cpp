#include "web/page_field.h"

#include "core/scene.h"

void StartPageField(FlakeField& field, const PageOptions& options) {
  if (options.seed) SeedFlakeTable(field, *options.seed);
  else SeedFlakeTable(field);
  field.SwayAngle = 0;  // as a new field has it, also when a held frame is drawn again
  field.SwayStep = FirstSwayStep(options.settings.Speed);
}

void DrawFixedFrame(FlakeField& field, const PageOptions& options) {
  StartPageField(field, options);
  for (int frame = 1; frame < options.frames.value_or(1); ++frame) StepFlakes(field, options.settings);
  DrawFrame(field, options.settings);
}
