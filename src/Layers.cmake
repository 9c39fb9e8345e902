# The layering of the program: the one table that the build
# (src/CMakeLists.txt) and test_layering (tests/layering/check-layers.cmake)
# both read. Each layer names the folder its files live in and the layers
# its files may include besides their own.
#
#   framework core <- framework ui, resources <- document <- transfer, editor <- app
#   frame sits on framework and resources only; cli on document and transfer.
set(QZM_LAYERS framework_core framework_ui resources document transfer editor frame app cli)

set(QZM_LAYER_framework_core_FOLDER framework)
set(QZM_LAYER_framework_core_USES "")
set(QZM_LAYER_framework_ui_FOLDER framework)
set(QZM_LAYER_framework_ui_USES framework_core)
set(QZM_LAYER_resources_FOLDER resources)
set(QZM_LAYER_resources_USES framework_core)
set(QZM_LAYER_document_FOLDER document)
set(QZM_LAYER_document_USES framework_core resources)
set(QZM_LAYER_transfer_FOLDER transfer)
set(QZM_LAYER_transfer_USES framework_core framework_ui resources document)
set(QZM_LAYER_editor_FOLDER editor)
set(QZM_LAYER_editor_USES framework_core framework_ui resources document)
set(QZM_LAYER_frame_FOLDER frame)
set(QZM_LAYER_frame_USES framework_core framework_ui resources)
set(QZM_LAYER_app_FOLDER app)
set(QZM_LAYER_app_USES framework_core framework_ui resources document transfer editor frame)
set(QZM_LAYER_cli_FOLDER cli)
set(QZM_LAYER_cli_USES framework_core resources document transfer)

# framework/ holds two layers: these units (X.h with X.cpp) need widgets
# and make up framework ui; every other file of the folder is framework core.
set(QZM_FRAMEWORK_UI_UNITS DialogUnits FirstFrame FrameWnd LazyIcons PrintingInterface SingleDocTemplate
  WidgetInteraction WinApp WindowAccessible)

# The layer of a file given by its path under src/ ("framework/WinApp.h").
# Empty for a folder the table does not know.
function(qzm_layer_of_file file out)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  set(layer "")
  foreach(candidate IN LISTS QZM_LAYERS)
    if(QZM_LAYER_${candidate}_FOLDER STREQUAL folder)
      set(layer ${candidate})
    endif()
  endforeach()
  if(folder STREQUAL "framework")
    get_filename_component(unit "${file}" NAME_WE)
    if(unit IN_LIST QZM_FRAMEWORK_UI_UNITS)
      set(layer framework_ui)
    else()
      set(layer framework_core)
    endif()
  endif()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()
