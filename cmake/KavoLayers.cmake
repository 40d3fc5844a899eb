# The layers of the source tree, lowest first. A file in one layer may include
# headers of its own layer and of the layers before it, never of a later one;
# layers joined by a comma stand side by side and do not include each other.
# The build adds the folders in this order, and the layer check
# (cmake/CheckLayers.cmake) reads the same list.
set(KAVO_LAYERS
  runtime
  expr
  store
  data
  browse
  forms
  log,reference,reports
  adif
  app,tools)
