#pragma once
/// The host SDK as a plug-in sees it. Plug-ins include this one header.
///
/// Ownership of the parts (one concern per header):
///   values and errors ....... k_status.h k_string.h k_types.h k_object.h k_math.h k_arrays.h
///   nodes and attributes .... k_attribute.h k_plug.h k_data.h k_node.h
///   registration ............ k_plugin.h k_translator.h k_context.h k_tool_property.h
///   commands and messages ... k_global.h k_command.h
///   scene ................... k_scene.h k_selection.h k_mesh.h k_geometry_data.h k_nurbs.h
///                             k_shading.h
///   images .................. k_image.h

#include "frame/k_3d_view.h"
#include "frame/k_arrays.h"
#include "frame/k_attribute.h"
#include "frame/k_command.h"
#include "frame/k_context.h"
#include "frame/k_data.h"
#include "frame/k_geometry_data.h"
#include "frame/k_global.h"
#include "frame/k_image.h"
#include "frame/k_math.h"
#include "frame/k_mesh.h"
#include "frame/k_node.h"
#include "frame/k_nurbs.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_plugin.h"
#include "frame/k_random.h"
#include "frame/k_scene.h"
#include "frame/k_selection.h"
#include "frame/k_shading.h"
#include "frame/k_status.h"
#include "frame/k_string.h"
#include "frame/k_tool_property.h"
#include "frame/k_translator.h"
#include "frame/k_types.h"
