// The single editing tools through the real binary: replies, the document on
// disk, the snapshot and the signal record.

#include "e2e/board_fixture.h"

namespace vemba_test {
namespace {

TEST_F(FilmTest, AddVembaChainsAfterTheNamedCardAndSnapshotsThePreviousFile) {
  const std::string before = project_bytes();
  const ToolReply r = edit("add_vemba", R"({"title":"Opening","body":"Dawn.","after":"n3"})");
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(r.text(), "Done. Added vemba n201.");
  EXPECT_EQ(on_disk({"nodes", "3", "id"}), R"("n201")");
  EXPECT_EQ(on_disk({"nodes", "3", "type"}), R"("vemba")");
  EXPECT_EQ(on_disk({"nodes", "3", "title"}), R"("Opening")");
  EXPECT_EQ(on_disk({"nodes", "3", "body"}), R"("Dawn.")");
  EXPECT_EQ(on_disk({"nodes", "3", "x"}), "1180.5");  // right of the rightmost card
  EXPECT_EQ(on_disk({"nodes", "3", "y"}), "120.0");
  EXPECT_EQ(on_disk({"edges", "3"}), R"({"from":"n3","label":"","to":"n201","type":"continues"})");
  EXPECT_EQ(on_disk({"custom"}), R"({"kept":true})");

  const std::vector<std::string> snaps = list_names(history());
  ASSERT_EQ(snaps.size(), 1u);
  EXPECT_TRUE(snaps[0].starts_with("snap-") && snaps[0].ends_with(".json")) << snaps[0];
  EXPECT_EQ(slurp(history() / snaps[0]), before);
  expect_signal_done();
}

TEST_F(FilmTest, EditsChangeTheDocumentAsTheirArgumentsSay) {
  const EditCase cases[] = {
      {"add_node",
       R"({"kind":"setplan","title":"Room"})",
       "Done. Added node n201.",
       {"nodes", "3", "plan", "w"},
       "750"},
      {"add_node", R"({"kind":"shotlist"})", "Done. Added node n201.", {"nodes", "3", "scenes"}, "[]"},
      {"move_node",
       R"({"nodeId":"n2","x":10.5,"y":-3})",
       "Done. Node moved.",
       {"nodes", "1"},
       R"({"id":"n2","title":"Two","type":"note","x":10.5,"y":-3.0})"},
      {"move_node", R"({"nodeId":"n2","x":"10"})", "Done. Node moved.", {"nodes", "1", "x"}, "0.0"},
      {"move_node", R"({"nodeId":"n2"})", "Done. Node moved.", {"nodes", "1", "y"}, "0.0"},
      {"reorder_node", R"({"nodeId":"n3","order":3})", "Done. Node reordered.", {"nodes", "2", "order"}, "3"},
      {"reorder_node", R"({"nodeId":"n3","order":-2})", "Done. Node reordered.", {"nodes", "2", "order"}, "-2"},
      {"reorder_node", R"({"nodeId":"n3","order":3.0})", "Done. Node reordered.", {"nodes", "2", "order"}, "0"},
      {"reorder_node", R"({"nodeId":"n3","order":"3"})", "Done. Node reordered.", {"nodes", "2", "order"}, "0"},
      {"connect_vembas",
       R"({"from":"n1","to":"n3","type":null,"label":"L","condition":"if"})",
       "Done. Connected.",
       {"edges", "3"},
       R"({"condition":"if","from":"n1","label":"L","to":"n3","type":"continues"})"},
      {"connect_vembas",
       R"({"from":"n3","to":"n3","type":""})",
       "Done. Connected.",
       {"edges", "3"},
       R"({"from":"n3","label":"","to":"n3","type":""})"},
      {"set_project_meta",
       R"({"patch":{"name":"Renamed","size":1}})",
       "Done. Applied: name. IGNORED: size.",
       {"name"},
       R"("Renamed")"},
      {"set_project_meta", R"({"patch":"name"})", "Done. Applied: (none).", {"name"}, R"("Film")"},
      {"add_video_embed",
       R"({"url":"https://www.youtube.com/watch?v=dQw4w9WgXcQ","x":5})",
       "Done. Added embed card vid201.",
       {"videoEmbeds", "0", "videoId"},
       R"("dQw4w9WgXcQ")"},
  };
  for (const EditCase& c : cases) expect_edit(c);
}

TEST_F(FilmTest, DeleteNodeTakesItsEdgesAndBindingMembershipsWithIt) {
  const ToolReply r = edit("delete_node", R"({"nodeId":"n1"})");
  EXPECT_EQ(r.text(), "Done. Deleted node n1 (and its edges).");
  EXPECT_EQ(on_disk({"nodes", "0", "id"}), R"("n2")");
  EXPECT_EQ(on_disk({"nodes", "1", "id"}), R"("n3")");
  EXPECT_EQ(on_disk({"nodes", "2"}), "<missing>");
  EXPECT_EQ(on_disk({"edges"}), R"([{"from":"n2","label":"","to":"n3","type":"reference"}])");
  EXPECT_EQ(on_disk({"bindings"}), R"([{"id":"b1","members":["n2","n3"]}])");
}

TEST_F(FilmTest, ConvertNodeTypeEchoesTheNodeAsStored) {
  const ToolReply r = edit("convert_node_type", R"({"nodeId":"n3","newType":"character"})");
  EXPECT_EQ(on_disk({"nodes", "2", "type"}), R"("character")");
  EXPECT_EQ(r.text(), "Done. Converted n3 to character. Node now: " + on_disk({"nodes", "2"}));
}

TEST_F(FilmTest, EditVembaNamesIgnoredKeysMissingImagesAndTheEditedNode) {
  write_file(folder_ / "assets" / "a.png", "png");
  const ToolReply r = edit(
      "edit_vemba", R"({"vembaId":"n1","patch":{"title":"New","images":["a.png","gone.png","gone.png",5],"bogus":1}})");
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(on_disk({"nodes", "0", "title"}), R"("New")");
  // The 5 makes edit_vemba refuse `images`; the check still reports the
  // missing names.
  EXPECT_EQ(r.text(),
            "Done. Applied: title. IGNORED (not editable here): bogus, images. To change type use convert_node_type."
            " WARNING: these image files do not exist in assets/ (use write_asset first): gone.png, gone.png."
            " Node now: " +
                on_disk({"nodes", "0"}));
}

TEST_F(FilmTest, EditVembaTestsImagePathsAsGiven) {
  // ".." is followed (the project file exists); a data URI is no file.
  const ToolReply r = edit("edit_vemba", R"({"vembaId":"n2","patch":{"images":["../project.json","data:x"]}})");
  EXPECT_EQ(r.text(),
            "Done. Applied: images. WARNING: these image files do not exist in assets/ (use write_asset first): data:x."
            " Node now: " +
                on_disk({"nodes", "1"}));
  const ToolReply none = edit("edit_vemba", R"({"vembaId":"n2","patch":{"bogus":true}})");
  EXPECT_EQ(none.text(),
            "Done. Applied: (none). IGNORED (not editable here): bogus. To change type use convert_node_type."
            " Node now: " +
                on_disk({"nodes", "1"}));
}

TEST_F(FilmTest, FailedEditsWriteNothingAndEndTheSignalAtDone) {
  const RefusedCase cases[] = {
      {"add_node", "{}", "unsupported node kind: "},
      {"add_node", R"({"kind":"Note"})", "unsupported node kind: Note"},
      {"convert_node_type", R"({"nodeId":"zz","newType":"shotlist"})", "unsupported type: shotlist"},
      {"convert_node_type", R"({"nodeId":"zz","newType":"note"})", "node not found: zz"},
      {"delete_node", "{}", "node not found: "},
      {"move_node", R"({"nodeId":"zz","x":1})", "node not found: zz"},
      {"reorder_node", R"({"nodeId":"N1","order":1})", "node not found: N1"},
      {"edit_vemba", R"({"vembaId":"zz","patch":{"images":["gone.png"]}})", "node not found: zz"},
      {"connect_vembas", R"({"from":"zz","to":"nope"})", "from vemba not found: zz"},
      {"connect_vembas", R"({"from":"n1","to":"nope"})", "to vemba not found: nope"},
      {"add_video_embed", R"({"url":"https://example.com/v"})",
       "only YouTube and Vimeo URLs make embed cards (got: https://example.com/v). For downloads/extraction, use the "
       "app's video importer."},
  };
  expect_refused(cases);
}

TEST_F(FilmTest, CallsThatDoNotLoadWriteNoSignal) {
  EXPECT_EQ(s_.call("move_node", parse(R"({"nodeId":"n1"})")).text(), "missing 'project'");
  EXPECT_TRUE(
      s_.call("move_node", parse(R"({"project":"nope","nodeId":"n1"})")).text().starts_with("path not found: "));
  EXPECT_FALSE(fs::exists(signal_path()));
}

TEST_F(FilmTest, AFailedWriteRepliesTheStoreErrorAndStillSignalsDone) {
  write_file(history(), "a file where the snapshot folder belongs");
  const std::string before = project_bytes();
  const ToolReply r = edit("move_node", R"({"nodeId":"n1","x":1})");
  EXPECT_TRUE(r.is_error());
  EXPECT_TRUE(r.text().starts_with("ensure history: ")) << r.text();
  EXPECT_EQ(project_bytes(), before);
  expect_signal_done();
}

TEST_F(FilmTest, ASignalFileThatCannotBeWrittenChangesNoReply) {
  fs::create_directories(signal_path() / "blocker");
  const ToolReply r = edit("move_node", R"({"nodeId":"n1","x":7})");
  EXPECT_EQ(r.text(), "Done. Node moved.");
  EXPECT_EQ(on_disk({"nodes", "0", "x"}), "7.0");
}

TEST_F(FilmTest, SignalTextsEscapeTheProjectName) {
  s_.make_project("say \"hi\"", kFilm);
  const ToolReply r = s_.call("move_node", parse(R"({"project":"say \"hi\"","nodeId":"n1"})"));
  EXPECT_EQ(r.text(), "Done. Node moved.");
  const std::string bytes = signal_bytes();
  EXPECT_TRUE(bytes.ends_with(R"(,"message":"","project":"say \"hi\"","status":"done"})")) << bytes;
}

}  // namespace
}  // namespace vemba_test
