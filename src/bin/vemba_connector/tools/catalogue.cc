#include "vemba_connector/tools/catalogue.h"

#include <iterator>

namespace vemba_connector {
namespace {

// One row per tool, in the order announced: name, the handler that serves
// it, annotation, description, properties (in the order announced), required.
// The handler's kind says whether the project is loaded first and whether a
// batch may run the tool (see catalogue.h).
// clang-format off
const ToolSpec kTools[] = {
    {"list_projects", serve_list_projects, Hint::kNone,
     "List all Vemba projects (folder name + display name + vemba count).",
     {},
     {}},
    {"get_outline", serve_get_outline, Hint::kNone,
     "Lean skeleton of a project: groups -> ordered child nodes (id, type, role, title) + orphan nodes. No bodies/coordinates/media. Use this first — it is far smaller than read_project.",
     {{"project", kString}},
     {"project"}},
    {"read_project", serve_read_project, Hint::kNone,
     "Read a Vemba project's board. Optional scope to limit payload: all|nodes|groups|edges|media. With scope=nodes, optional groupId filters to one group's members. Each node carries its effective rendered size as w/h plus measured:true|false — true means the app stamped a real DOM measurement, false means a content-based estimate (cards auto-grow, so heights vary widely with content).",
     {{"project", kString, "Project folder name"}, {"scope", kString}, {"groupId", kString}},
     {"project"}},
    {"add_vemba", edits::add_vemba, Hint::kNone,
     "Add a vemba. Optionally connect it from an existing vemba id via 'after'.",
     {{"project", kString}, {"title", kString}, {"body", kString}, {"after", kString}},
     {"project"}},
    {"edit_vemba", edits::edit_vemba, Hint::kNone,
     "Edit fields of an existing node. patch may include: title, body, slug, tones, shotType, duration, product (the card's \"Vemba's Focus\" field; alias: focus), color, role, groupId, order, hidden, hiddenInExport, seqStart, seqName, alt. Reports any keys it ignored. To change a node's type use convert_node_type.",
     {{"project", kString}, {"vembaId", kString}, {"patch", kObject}},
     {"project", "vembaId", "patch"}},
    {"connect_vembas", edits::connect_vembas, Hint::kNone,
     "Connect two vembas. type: continues|alternative|reference.",
     {{"project", kString}, {"from", kString}, {"to", kString}, {"type", kString}, {"label", kString}, {"condition", kString}},
     {"project", "from", "to"}},
    {"add_node", edits::add_node, Hint::kNone,
     "Add a non-vemba node. kind: note|thought|character|location|prop|setplan. A setplan is seeded with an empty Set Plan — use edit_set_plan to populate it.",
     {{"project", kString}, {"kind", kString}, {"title", kString}, {"body", kString}},
     {"project", "kind"}},
    {"convert_node_type", edits::convert_node_type, Hint::kNone,
     "Change a node's type, preserving title/body/position/images/documents/links. newType: vemba|thought|note|title|location|character|prop|gallery|palette|setplan.",
     {{"project", kString}, {"nodeId", kString}, {"newType", kString}},
     {"project", "nodeId", "newType"}},
    {"delete_node", edits::delete_node, Hint::kNone,
     "Delete a node and its incident edges + binding membership.",
     {{"project", kString}, {"nodeId", kString}},
     {"project", "nodeId"}},
    {"create_group", edits::create_group, Hint::kNone,
     "Create a group (a section/slide/container). role is a free label (e.g. slide, section, timeline, reference, cover). Without x/y the group spawns at the nearest FREE canvas region (collision-checked against real node and group rects — two groups created in a row never stack); pass both x and y to place it exactly.",
     {{"project", kString}, {"name", kString}, {"role", kString}, {"color", kString}, {"x", kNumber}, {"y", kNumber}, {"w", kNumber}, {"h", kNumber}},
     {"project", "name"}},
    {"edit_group", edits::edit_group, Hint::kNone,
     "Edit a group. patch may include: name, role, color, x, y, w, h, order, hidden, hiddenInExport. Reports ignored keys.",
     {{"project", kString}, {"groupId", kString}, {"patch", kObject}},
     {"project", "groupId", "patch"}},
    {"delete_group", edits::delete_group, Hint::kNone,
     "Delete a group. keepChildren=true (default) detaches member nodes; false deletes them too.",
     {{"project", kString}, {"groupId", kString}, {"keepChildren", kBoolean}},
     {"project", "groupId"}},
    {"add_node_to_group", edits::add_node_to_group, Hint::kNone,
     "Assign a node to a group (sets the logical membership used for export ordering).",
     {{"project", kString}, {"nodeId", kString}, {"groupId", kString}},
     {"project", "nodeId", "groupId"}},
    {"remove_node_from_group", edits::remove_node_from_group, Hint::kNone,
     "Detach a node from its group.",
     {{"project", kString}, {"nodeId", kString}},
     {"project", "nodeId"}},
    {"move_node", edits::move_node, Hint::kNone,
     "Move a node to absolute canvas coordinates (top-left of the card; node center = x+150,y+80). The precise single-node primitive — pairs with get_positions to read, and arrange_nodes/align_nodes/place_node for multi-node layout.",
     {{"project", kString}, {"nodeId", kString}, {"x", kNumber}, {"y", kNumber}},
     {"project", "nodeId", "x", "y"}},
    {"reorder_node", edits::reorder_node, Hint::kNone,
     "Set a node's explicit order within its group (used by export/outline).",
     {{"project", kString}, {"nodeId", kString}, {"order", kInteger}},
     {"project", "nodeId", "order"}},
    {"auto_layout_group", edits::auto_layout_group, Hint::kNone,
     "Arrange a group's member nodes in stack|row|grid using each card's REAL rendered/estimated size (grid is a masonry flow — each card drops into the shortest column, so variable-height cards never overlap) AND resize the group box to fit them. One call for a tidy in-group layout; no fit_group needed afterwards.",
     {{"project", kString}, {"groupId", kString}, {"mode", kString}},
     {"project", "groupId"}},
    {"read_document", serve_read_document, Hint::kNone,
     "Extract text from a document attached to the project (PDF via Spotlight; txt/md/csv direct). Pass the document id.",
     {{"project", kString}, {"docId", kString}},
     {"project", "docId"}},
    {"list_media", serve_list_media, Hint::kNone,
     "List a project's media (images, gifs, documents, video embeds) with ids/filenames. Optional type filter: image|doc|video.",
     {{"project", kString}, {"type", kString}},
     {"project"}},
    {"read_set_plan", serve_read_set_plan, Hint::kNone,
     "Read a Set Plan node's full plan. Returns a one-line human summary (room size, element counts by kind, rays/floor) followed by the plan object as pretty JSON. Errors if the node is not a setplan. Call this before editing with edit_set_plan.",
     {{"project", kString}, {"nodeId", kString}},
     {"project", "nodeId"}},
    {"edit_set_plan", edits::edit_set_plan, Hint::kNone,
     "Replace a Set Plan node's entire `plan` object (full replace, not a merge). Workflow: first call read_set_plan, modify the returned plan, then send the whole object back here. The node must be type setplan. Coordinate model: positions are in pixels; scale.unitsPerPx converts pixels↔metres (default 1/150). Each entry in plan.elements has a `kind` (e.g. camera, light, subject), `x`, `y`, `rot` (degrees), plus kind-specific fields. `plan.sensorW` is the camera sensor's horizontal active width in mm (24.89 Super 35, 27.99 Alexa 35, 36.7 Alexa LF, 36 full frame, 17.3 MFT, 12.52 Super 16) and every FOV cone is drawn from it — set it only when the user asks for a different format; a plan sent without one keeps the sensor the node already had. The app re-normalizes the plan on load, so a partial/loose object is acceptable. Returns the updated summary.",
     {{"project", kString}, {"nodeId", kString}, {"plan", kObject}},
     {"project", "nodeId", "plan"}},
    {"search_project", serve_search_project, Hint::kNone,
     "Case-insensitive search across nodes (title, body, slug, role, tones, product, shotType) and group names. Returns up to ~40 matches as JSON: {id, type, title, snippet}, where snippet is ~120 chars around the first match.",
     {{"project", kString}, {"query", kString}},
     {"project", "query"}},
    {"get_positions", serve_get_positions, Hint::kNone,
     "Geometry-only read: every node's {id,type,title,x,y,w,h,measured,groupId,ownerGroupId} plus group rects {id,name,x,y,w,h}. w/h are the node's EFFECTIVE rendered size: the app's real DOM measurement when measured:true, else a content-based estimate (measured:false). Cards auto-grow with content — vemba heights commonly run 350–1200px, never assume a fixed pitch. Cheaper than read_project when you only need coordinates. Use before arrange_nodes/align_nodes/place_node, and render_board to eyeball the result.",
     {{"project", kString}},
     {"project"}},
    {"arrange_nodes", edits::arrange_nodes, Hint::kNone,
     "Lay an explicit set of nodes into a non-overlapping flow using each card's REAL rendered/estimated size (no fixed pitch). mode: row (tops aligned, x advances by each card's width+gap) | column (y advances by each card's height+gap) | grid (masonry: ~sqrt(n) columns, each card drops into the currently shortest column — correct for variable-height cards). gap=clearance between cards (default 40). origin defaults to the set's current top-left; pass originX/originY to anchor elsewhere. Group-blind: to keep a group's box around the result, call fit_group(groupId) after (or use auto_layout_group, which arranges AND fits).",
     {{"project", kString}, {"nodeIds", kStringArray}, {"mode", kString}, {"gap", kNumber}, {"originX", kNumber}, {"originY", kNumber}},
     {"project", "nodeIds"}},
    {"align_nodes", edits::align_nodes, Hint::kNone,
     "Align a set of nodes to a shared edge using their real rendered/estimated sizes. edge: left|right|top|bottom|center-h|center-v. distribute=true evenly spaces them along the perpendicular axis between the extremes. Group-blind: to keep a group's box around the result, call fit_group(groupId) after (or use auto_layout_group, which fits automatically).",
     {{"project", kString}, {"nodeIds", kStringArray}, {"edge", kString}, {"distribute", kBoolean}},
     {"project", "nodeIds", "edge"}},
    {"place_node", edits::place_node, Hint::kNone,
     "Place one node relative to another (refId + side: above|below|left|right, gap default 40), OR set nextFree=true to drop it at the nearest non-overlapping spot near refId (or an x/y point). Offsets and collision checks use the cards' real rendered/estimated sizes. Returns the new coordinates. Group-blind: to keep a group's box around the result, call fit_group(groupId) after (or use auto_layout_group, which fits automatically).",
     {{"project", kString}, {"nodeId", kString}, {"refId", kString}, {"side", kString}, {"gap", kNumber}, {"nextFree", kBoolean}, {"x", kNumber}, {"y", kNumber}},
     {"project", "nodeId"}},
    {"fit_group", edits::fit_group, Hint::kNone,
     "Resize a group's box to wrap its member nodes' real rendered bounds (+ padding, default 24, + 40px header room on top). Optional paddingTop/paddingRight/paddingBottom/paddingLeft override padding per side (headers often want more room than the sides). Members = nodes assigned to the group (or spatially inside it). Call this after arrange_nodes/align_nodes/place_node to make the box contain the rearranged cards. auto_layout_group already fits automatically.",
     {{"project", kString}, {"groupId", kString}, {"padding", kNumber}, {"paddingTop", kNumber}, {"paddingRight", kNumber}, {"paddingBottom", kNumber}, {"paddingLeft", kNumber}},
     {"project", "groupId"}},
    {"render_board", serve_render_board, Hint::kNone,
     "Render the canvas as a downscaled schematic PNG (long edge <= 1200px): one tinted rounded rect per node at its real position/size, outlined boxes with darker header strips for groups, straight lines for edges. No text — it is a geometry check, not a screenshot. Use it to SELF-VERIFY after arrange_nodes/auto_layout_group/fit_group: overlapping rects in the image = overlapping cards in the app. Whole board by default; pass groupId to crop to one group (+margin), or x/y/w/h for an explicit world rect.",
     {{"project", kString}, {"groupId", kString}, {"x", kNumber}, {"y", kNumber}, {"w", kNumber}, {"h", kNumber}},
     {"project"}},
    {"create_project", serve_create_project, Hint::kNone,
     "Create a NEW Vemba project in the library: folder, .vemba marker, assets dir, and a clean default state. Returns the folder name — use exactly that string as `project` in every other tool. Call this FIRST when building something from scratch.",
     {{"name", kString, "Display name; also seeds the folder name"}, {"context", kString, "The 'About this story' text every AI prompt prepends"}},
     {"name"}},
    {"set_project_meta", edits::set_project_meta, Hint::kNone,
     "Patch project-level settings. patch may include: name (string), context (string), numberingMode ('auto'|'manual'|'none'), theme ({mode:'light'|'dark'|'pastel', color:'#hex'} — pastel derives the whole UI tint from color). Reports applied/ignored.",
     {{"project", kString}, {"patch", kObject}},
     {"project", "patch"}},
    {"write_asset", WritesProject{serve_write_asset}, Hint::kNone,
     "Write a media file into the project's assets/ dir from base64 bytes. filename must be a bare name like 'img-hero1.jpg' (no paths). Returns the filename to reference from state: a node's images array (via edit_vemba), a shot's ref (via edit_shot), a Set Plan's plan.bg underlay, etc. Keep images reasonably sized (the canvas shows ~300-600px wide cards).",
     {{"project", kString}, {"filename", kString}, {"bytesBase64", kString}},
     {"project", "filename", "bytesBase64"}},
    {"view_media", serve_view_media, Hint::kReadOnly,
     "SEE an image from the project: pass an asset filename (from list_media / write_asset) or a node id (shows its first image). Returns the image downscaled to maxPx (default 900). Use this to check a still, a map thumb or a reference actually looks right — you are art-directing a board; look at it.",
     {{"project", kString}, {"ref", kString}, {"maxPx", kNumber}},
     {"project", "ref"}},
    {"build_shot_list", edits::build_shot_list, Hint::kNone,
     "ONE call that turns vembas into a working shot list: vembas are read left-to-right, bucketed into one scene per canvas group (a group-born scene shows the group's name LIVE), and each vemba becomes a LINKED shot — description, lens, shot type and duration pull live from the vemba, so leave shot fields empty. Scope with groupId (that group's vembas) or nodeIds (an explicit set); neither = every vemba. Appends to nodeId when given, else creates a new shotlist card. Returns the list's node id.",
     {{"project", kString}, {"nodeId", kString}, {"groupId", kString}, {"nodeIds", kStringArray}},
     {"project"}},
    {"edit_shot_list", edits::edit_shot_list, Hint::kNone,
     "Patch list-level fields of a shotlist node: title (string), numberStyle ('flat' = 1,2,3 | 'scene' = 1A,1B,2A industry letters), orderMode ('story'|'custom'), callTime ('HH:MM' or null — anchors On set mode's day clock).",
     {{"project", kString}, {"nodeId", kString}, {"patch", kObject}},
     {"project", "nodeId", "patch"}},
    {"add_scene", edits::add_scene, Hint::kNone,
     "Add a scene to a shotlist node. Pass groupId to bind it to a canvas group (its heading then RESOLVES from the group, live); pass name for a loose scene. Returns the scene id for add_shot.",
     {{"project", kString}, {"nodeId", kString}, {"name", kString}, {"groupId", kString}},
     {"project", "nodeId"}},
    {"add_shot", edits::add_shot, Hint::kNone,
     "Add one shot to a shotlist. sceneId defaults to the first scene (created if none). Pass vembaId to LINK the shot — linked shots pull description/lens/shot type/duration live from the vemba, so leave fields empty unless overriding. fields may set: intext, shot, lens, move, duration, subject, description, script, ref (an asset filename).",
     {{"project", kString}, {"nodeId", kString}, {"sceneId", kString}, {"vembaId", kString}, {"fields", kObject}},
     {"project", "nodeId"}},
    {"edit_shot", edits::edit_shot, Hint::kNone,
     "Patch one shot on a shotlist. patch may include: intext, shot, lens, move, duration, subject, description, script, obs (strings); ref, vembaId, setplanId, sceneId (string or null); done, skipped (bool); take (int >= 1 or null); shootOrder (int or null).",
     {{"project", kString}, {"nodeId", kString}, {"shotId", kString}, {"patch", kObject}},
     {"project", "nodeId", "shotId", "patch"}},
    {"batch", WritesProject{serve_batch}, Hint::kNone,
     "Run MANY mutating ops as ONE load-mutate-write cycle: ops = [{tool, arguments}] using any mutating tool (add_vemba, edit_vemba, connect_vembas, add_node, create_group, move_node, add_shot, edit_shot, edit_set_plan, ...). arguments omit `project` (implied). ALL-OR-NOTHING: the first failing op aborts the whole batch with nothing written. Use this for any build of more than ~5 steps — one snapshot and one app reload instead of hundreds.",
     {{"project", kString}, {"ops", kOpArray}},
     {"project", "ops"}},
    {"open_project", serve_open_project, Hint::kNone,
     "Ask the running Vemba app to open/switch to this project — call it when a build is done so the user is looking at the result instead of hunting for it.",
     {{"project", kString}},
     {"project"}},
    {"add_video_embed", edits::add_video_embed, Hint::kNone,
     "Add a YouTube or Vimeo embed card to the canvas from its URL (pure state — plays in the app). For actual video DOWNLOAD/extraction the user must use the app's video importer; that pipeline needs the app's runtime.",
     {{"project", kString}, {"url", kString}, {"x", kNumber}, {"y", kNumber}},
     {"project", "url"}},
    {"add_plan_element", edits::add_plan_element, Hint::kNone,
     "Add ONE element to a Set Plan (no full-plan replace needed). element.kind: camera{focal:35,coneOn:true} | light{fixture:softbox|fresnel|led-panel|kino|china-ball|practical|top, kelvin:2700-7500, intensity:0-100, beam:8-170} | subject{rot} | prop{propType,w,h — real gear incl. c-stand, tripod, tripod-slim, crane, apple-box, monitor-cart, director-chair, dolly-track, ladder, table, chair, sofa, bed} | modifier{modKind,length} | wall/window/door{length,swing} | note{text}. All take x, y (px), rot (deg); flipX/flipY mirror. Positions: scale.unitsPerPx converts px to metres (read_set_plan shows it). Returns the element id.",
     {{"project", kString}, {"nodeId", kString}, {"element", kObject}},
     {"project", "nodeId", "element"}},
    {"edit_plan_element", edits::edit_plan_element, Hint::kNone,
     "Patch fields on one Set Plan element by id (from read_set_plan or add_plan_element). Shallow merge; id itself is not editable.",
     {{"project", kString}, {"nodeId", kString}, {"elementId", kString}, {"patch", kObject}},
     {"project", "nodeId", "elementId", "patch"}},
    {"remove_plan_element", edits::remove_plan_element, Hint::kNone,
     "Remove one element from a Set Plan by id.",
     {{"project", kString}, {"nodeId", kString}, {"elementId", kString}},
     {"project", "nodeId", "elementId"}},
    {"check_project", serve_check_project, Hint::kReadOnly,
     "Integrity lint: dangling edges/links/group refs, shots pointing at missing vembas or scenes, sun plans against missing or unpinned locations, image refs with no file behind them, and assets nothing references. Run it after a big build to PROVE the board is sound instead of asserting it.",
     {{"project", kString}},
     {"project"}},
    {"production_report", serve_production_report, Hint::kReadOnly,
     "The 'are we ready?' read: vemba count and runtime, every character/location/prop with the vembas it appears in (story-ordered, with the canonical numbers) and its longest absence, unpinned locations, vembas missing a body/image/slug, unlinked shots, sun-plan count. One call instead of pulling the whole project and reasoning over raw JSON.",
     {{"project", kString}},
     {"project"}},
    {"export", serve_export, Hint::kReadOnly,
     "Produce a deliverable as text: format 'markdown' = the treatment (title, context, groups as sections, numbered vembas with slugs and bodies, notes as quotes) | 'shotlist-csv' = every shot list as CSV with linked-vemba pulls resolved. Hand the result to the user or save it for them.",
     {{"project", kString}, {"format", kString}},
     {"project", "format"}},
    {"list_history", serve_list_history, Hint::kReadOnly,
     "List the project's snapshots (every connector write makes one first). Newest first: {snapshot, atMs, bytes}.",
     {{"project", kString}},
     {"project"}},
    {"restore_snapshot", WritesProject{serve_restore_snapshot}, Hint::kNone,
     "Restore a snapshot by name (from list_history). The state being replaced is snapshotted first, so a restore is itself reversible.",
     {{"project", kString}, {"snapshot", kString}},
     {"project", "snapshot"}},
    {"undo_last", WritesProject{serve_undo_last}, Hint::kNone,
     "Revert the most recent write by restoring the newest snapshot. Use when a batch or edit went wrong — reversible, like every restore.",
     {{"project", kString}},
     {"project"}},
};
// clang-format on

json::object property_schema(const Property& p) {
  json::object schema;
  switch (p.type) {
    case kString:
      schema["type"] = "string";
      break;
    case kNumber:
      schema["type"] = "number";
      break;
    case kInteger:
      schema["type"] = "integer";
      break;
    case kBoolean:
      schema["type"] = "boolean";
      break;
    case kObject:
      schema["type"] = "object";
      break;
    case kStringArray:
      schema["type"] = "array";
      schema["items"] = json::object{{"type", "string"}};
      break;
    case kOpArray:
      schema["type"] = "array";
      schema["items"] = json::object{{"type", "object"},
                                     {"properties", json::object{{"tool", json::object{{"type", "string"}}},
                                                                 {"arguments", json::object{{"type", "object"}}}}},
                                     {"required", json::array{"tool"}}};
      break;
  }
  if (!p.description.empty()) schema["description"] = p.description;
  return schema;
}

json::object descriptor(const ToolSpec& tool) {
  json::object properties;
  for (const Property& p : tool.properties) properties[p.name] = property_schema(p);
  json::object input{{"type", "object"}, {"properties", std::move(properties)}};
  if (!tool.required.empty()) {
    json::array required;
    for (std::string_view r : tool.required) required.emplace_back(r);
    input["required"] = std::move(required);
  }
  json::object d{{"name", tool.name}, {"description", tool.description}, {"inputSchema", std::move(input)}};
  if (tool.hint == Hint::kReadOnly) d["annotations"] = json::object{{"readOnlyHint", true}};
  return d;
}

}  // namespace

const ToolSpec* find_tool(std::string_view name) {
  for (const ToolSpec& t : kTools)
    if (t.name == name) return &t;
  return nullptr;
}

json::array tool_list() {
  json::array tools;
  tools.reserve(std::size(kTools));
  for (const ToolSpec& t : kTools) tools.push_back(descriptor(t));
  return tools;
}

}  // namespace vemba_connector
