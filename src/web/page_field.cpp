#include "web/page_field.h"

#include "core/scene.h"

void StartPageField(FlakeField& field, const PageOptions& options) {
  const double firstStep = FirstSwayStep(options.settings.Speed);
  if (options.seed) StartField(field, firstStep, *options.seed);
  else StartField(field, firstStep);
}

void DrawFixedFrame(FlakeField& field, const PageOptions& options) {
  StartPageField(field, options);
  for (int frame = 1; frame < options.frames.value_or(1); ++frame) StepFlakes(field, options.settings);
  DrawFrame(field, options.settings);
}
