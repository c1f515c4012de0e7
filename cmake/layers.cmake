# The layers: each subsystem and the subsystems it may use. Nothing else may be included or linked;
# check_layers.cmake fails the build on an include that breaks this table.
set(MYR_LAYER_foundation "")
set(MYR_LAYER_settings foundation)
set(MYR_LAYER_saves foundation)
set(MYR_LAYER_disc foundation)
set(MYR_LAYER_art foundation)
set(MYR_LAYER_runner foundation)
set(MYR_LAYER_maintenance foundation)
set(MYR_LAYER_webui foundation settings saves disc art maintenance)
set(MYR_LAYER_app foundation settings saves disc art runner maintenance webui)
set(MYR_SUBSYSTEMS foundation settings saves disc art runner maintenance webui app)
