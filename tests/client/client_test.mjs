// Drives the built server through the official MCP TypeScript SDK client over
// stdio, as a host would, and checks what the SDK accepts and what it reads.
// Usage: node client_test.mjs SERVER TOOLS_DIR
// Exits 0 when every check passes, 1 on a failure, and 77 (skipped) when the
// SDK is not installed here, unless CI=true, where that is a failure too.
import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

const kSkip = 77;
const here = path.dirname(fileURLToPath(import.meta.url));
const [server, toolsDir] = process.argv.slice(2);
if (!server || !toolsDir) {
  console.error("usage: node client_test.mjs SERVER TOOLS_DIR");
  process.exit(2);
}

// npm ci leaves its output here; its last lines say why the SDK is missing.
function npmFailure() {
  try {
    const lines = fs.readFileSync(path.join(here, "npm-ci.log"), "utf8").trim().split("\n");
    return lines.slice(-3).join(" | ");
  } catch {
    return "npm ci has not run in tests/client";
  }
}

let Client, StdioClientTransport, McpError, Ajv;
try {
  ({ Client } = await import("@modelcontextprotocol/sdk/client/index.js"));
  ({ StdioClientTransport } = await import("@modelcontextprotocol/sdk/client/stdio.js"));
  ({ McpError } = await import("@modelcontextprotocol/sdk/types.js"));
  Ajv = (await import("ajv")).default;
} catch (e) {
  const reason = `the MCP SDK cannot be loaded from tests/client/node_modules (${e.code ?? e.message}): ${npmFailure()}`;
  if (process.env.CI === "true") {
    console.error(`FAIL: ${reason}`);
    process.exit(1);
  }
  console.log(`skipped: ${reason}`);
  process.exit(kSkip);
}

const kReadOnly = ["view_media", "check_project", "production_report", "export", "list_history"];
const kPrompts = [
  ["break_into_vembas", { project: "Night Ferry", source: "A ferry crosses at night." }],
  ["build_shot_list", { project: "Night Ferry" }],
  ["continuity_pass", { project: "Night Ferry", element: "the lantern" }],
  ["dress_set_plan", { project: "Night Ferry", scene: "Car deck, sodium light" }],
];

const text = (result) => {
  assert.equal(result.content.length, 1);
  assert.equal(result.content[0].type, "text");
  return result.content[0].text;
};

async function expectProtocolError(promise, code, message) {
  await assert.rejects(promise, (e) => {
    assert.ok(e instanceof McpError, `not a protocol error: ${e}`);
    assert.equal(e.code, code);
    assert.ok(e.message.endsWith(message), `message ${JSON.stringify(e.message)} lacks ${JSON.stringify(message)}`);
    return true;
  });
}

async function checkTools(client) {
  const { tools } = await client.listTools();
  assert.equal(tools.length, 49);
  assert.equal(new Set(tools.map((t) => t.name)).size, 49);
  const ajv = new Ajv({ strict: true, allErrors: true });
  for (const tool of tools) {
    try {
      ajv.compile(tool.inputSchema);
    } catch (e) {
      assert.fail(`input schema of ${tool.name} is refused by strict ajv: ${e.message}`);
    }
    assert.equal(tool.annotations?.readOnlyHint === true, kReadOnly.includes(tool.name), tool.name);
  }
}

async function checkPrompts(client) {
  const { prompts } = await client.listPrompts();
  assert.deepEqual(
    prompts.map((p) => p.name),
    kPrompts.map(([name]) => name),
  );
  const texts = {};
  for (const [name, args] of kPrompts) {
    const descriptor = prompts.find((p) => p.name === name);
    assert.deepEqual(descriptor.arguments.map((a) => a.name).sort(), Object.keys(args).sort(), name);
    const filled = await client.getPrompt({ name, arguments: args });
    assert.equal(filled.description, name);
    assert.equal(filled.messages.length, 1);
    assert.equal(filled.messages[0].role, "user");
    assert.equal(filled.messages[0].content.type, "text");
    texts[name] = filled.messages[0].content.text;
    for (const value of Object.values(args)) assert.ok(texts[name].includes(value), name);
  }
  assert.equal(
    texts.build_shot_list,
    'Build a shot list for project "Night Ferry": call get_outline to find the vembas and groups, then ' +
      "build_shot_list (it creates one scene per canvas group and links every vemba \u2014 columns pull live). " +
      "Then render_board to confirm, and open_project to show the result.",
  );
  // The one template that takes the element before the project.
  assert.ok(texts.continuity_pass.startsWith('Continuity pass on "the lantern" in project "Night Ferry": '));
  await expectProtocolError(client.getPrompt({ name: "nope" }), -32602, "unknown prompt: nope");
}

async function checkCalls(client) {
  const call = (name, args) => client.callTool({ name, arguments: args });
  // An array result travels in the text alone: the SDK refuses a non-object structuredContent.
  const empty = await call("list_projects", {});
  assert.equal(text(empty), "[]");
  assert.equal(empty.structuredContent, undefined);
  assert.equal(empty.isError, undefined);

  const created = await call("create_project", { name: "Night Ferry", context: "A crossing" });
  assert.equal(
    text(created),
    'Created project "Night Ferry". Use exactly this as the `project` argument in every other tool. It is empty ' +
      "\u2014 add_vemba / add_node to fill it, write_asset to add media, set_project_meta for name/theme/context.",
  );
  assert.deepEqual(JSON.parse(text(await call("list_projects", {}))), [
    { name: "Night Ferry", project: "Night Ferry", vembas: 0 },
  ]);

  const added = text(await call("add_vemba", { project: "Night Ferry", title: "Boarding", body: "Cars roll on." }));
  const id = /^Done\. Added vemba (n\d+)\.$/.exec(added)?.[1];
  assert.ok(id, `add_vemba answered ${JSON.stringify(added)}`);

  const outline = await call("get_outline", { project: "Night Ferry" });
  assert.deepEqual(outline.structuredContent, {
    groups: [],
    orphans: [{ hidden: false, id, number: "1", role: "", title: "Boarding", type: "vemba" }],
    project: "Night Ferry",
  });
  assert.equal(text(outline), JSON.stringify(outline.structuredContent, null, 2));

  const board = await call("render_board", { project: "Night Ferry" });
  assert.equal(board.content.length, 1);
  const [image] = board.content;
  assert.equal(image.type, "image");
  assert.equal(image.mimeType, "image/png");
  const png = Buffer.from(image.data, "base64");
  assert.equal(png.toString("base64"), image.data, "the image data is not canonical Base64");
  assert.deepEqual([...png.subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);

  const history = JSON.parse(text(await call("list_history", { project: "Night Ferry" })));
  assert.equal(history.length, 1);
  assert.equal(history[0].snapshot, `snap-${history[0].atMs}.json`);
  assert.ok(history[0].bytes > 0);

  const failures = [
    ["get_outline", { project: "Nowhere" }, "path not found: No such file or directory"],
    ["get_outline", {}, "missing 'project'"],
    ["no_such_tool", { project: "Night Ferry" }, "unknown tool: no_such_tool"],
  ];
  for (const [name, args, message] of failures) {
    const failed = await call(name, args);
    assert.equal(failed.isError, true, name);
    assert.equal(text(failed), message);
  }
  // A method the server does not offer is a protocol error, not a tool failure.
  await expectProtocolError(client.listResources(), -32601, "method not found");
}

async function main() {
  const tmp = fs.mkdtempSync(path.join(os.tmpdir(), "vemba-client-"));
  const library = path.join(tmp, "library");
  fs.mkdirSync(library);
  fs.mkdirSync(path.join(tmp, "home"));
  const env = { HOME: path.join(tmp, "home"), PATH: `${toolsDir}:${process.env.PATH ?? "/usr/bin:/bin"}` };
  if (process.env.ASAN_OPTIONS) env.ASAN_OPTIONS = process.env.ASAN_OPTIONS;
  const transport = new StdioClientTransport({ command: server, args: ["--library", library], env, stderr: "pipe" });
  let stderr = "";
  transport.stderr?.on("data", (chunk) => (stderr += chunk));
  const client = new Client({ name: "vemba-client-test", version: "0.1.0" });
  try {
    await client.connect(transport);
    // The server ends by itself, status 0, once its input closes.
    const child = transport._process;
    assert.ok(child, "the transport holds no server process");
    const exited = new Promise((resolve) => child.once("exit", (code, signal) => resolve({ code, signal })));
    assert.deepEqual(client.getServerVersion(), { name: "vemba", version: "0.1.0" });
    assert.deepEqual(client.getServerCapabilities(), { prompts: {}, tools: {} });
    assert.deepEqual(await client.ping(), {});
    await checkTools(client);
    await checkPrompts(client);
    await checkCalls(client);
    await client.close();
    assert.deepEqual(await exited, { code: 0, signal: null });
    assert.equal(stderr, "", "the server wrote to standard error");
  } finally {
    await client.close().catch(() => {});
    fs.rmSync(tmp, { recursive: true, force: true });
  }
}

try {
  await main();
  console.log("MCP SDK client: every check passed");
} catch (e) {
  console.error(`FAIL: ${e.stack ?? e}`);
  process.exit(1);
}
