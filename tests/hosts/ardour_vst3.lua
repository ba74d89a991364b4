-- Vexa in Ardour's headless session tool, one stage per run:
--   ardour7-lua ardour_vst3.lua create KIND DIR   a session whose master bus
--       runs the test signal (ardour_signal.lua) into Vexa, its parameters
--       set, exported to DIR/KIND.wav and saved
--   ardour7-lua ardour_vst3.lua reopen KIND DIR   the saved session loaded
--       again: Vexa's parameters printed as Ardour restored them, exported
--       to DIR/KIND-reopened.wav
-- KIND names the module's format: vst3 or vst2 (Ardour's Linux VST).
-- Settings: Frequency 5075 Hz, Intensity 45 %, Mix 50 %, each the
-- normalized value 0.5 exactly in both editions (VST3 parameters are set in
-- their own units, VST2 ones normalized, in single precision); the rest
-- keep their defaults, so Pitch 0 and Sequence off: what comes out depends
-- on no number of silent cycles the engine runs before an export.
local stage, kind, dir = arg[1], arg[2], arg[3]
local name = "vexa"
local rate = 44100
local exportFrames = 2 * rate
-- The export preset the test installs (vexa-float.preset): 32-bit float
-- WAV at the session's rate, no dither, no normalizing.
local exportPreset = "5e1f6a3c-2b0d-4c7e-9a41-0d3c8f7b6e21"
-- The engine's block size, in frames: Ardour 7.3's headless export now and
-- then corrupts its heap (with no plug-in in the session as well), about one
-- export in six with its default of 1024 frames, far less often with long
-- blocks.
local blockFrames = 8192
-- How long the engine runs after the parameters are set, in microseconds,
-- so that the plug-in has taken them before anything else happens.
local settle = 300000

local formats = {
	vst3 = { type = ARDOUR.PluginType.VST3, settings = { { 1, 5075 }, { 4, 45 }, { 5, 50 } } },
	vst2 = { type = ARDOUR.PluginType.LXVST, settings = { { 1, 0.5 }, { 4, 0.5 }, { 5, 0.5 } } },
}
local format = formats[kind]

local function fail (text)
	print ("FAIL: " .. text)
	if Session then close_session () end
	os.exit (1)
end

local function export_to (file)
	local export = Session:simple_export ()
	if not export:set_preset (exportPreset) then fail ("Ardour does not find the test's export preset") end
	export:set_name (file)
	export:set_folder (dir)
	export:set_range (0, exportFrames)
	if not (export:check_outputs () and export:run_export ()) then fail ("the export " .. file .. " failed") end
end

-- The Vexa insert on the master bus, or nil.
local function vexa_insert ()
	local master = Session:master_out ()
	local i = 0
	while true do
		local proc = master:nth_plugin (i)
		if proc:isnil () then return nil end
		local insert = proc:to_insert ()
		if not insert:isnil () and insert:type () == format.type and insert:plugin (0):name () == "Vexa" then
			return proc
		end
		i = i + 1
	end
end

if not format then fail ("unknown format " .. tostring (kind)) end
local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
if not backend then fail ("no dummy audio backend") end
if backend:set_buffer_size (blockFrames) ~= 0 then fail ("the dummy backend refuses blocks of " .. blockFrames) end

if stage == "create" then
	if not create_session (dir, name, rate) then fail ("cannot create a session in " .. dir) end
	local signal = ARDOUR.LuaAPI.new_luaproc (Session, "Vexa Test Signal")
	if signal:isnil () then fail ("the test signal script is not installed") end
	Session:master_out ():add_processor_by_index (signal, 0, nil, true)
	local vexa = ARDOUR.LuaAPI.new_plugin (Session, "Vexa", format.type, "")
	if vexa:isnil () then fail ("Ardour lists no " .. kind .. " plug-in named Vexa") end
	Session:master_out ():add_processor_by_index (vexa, 1, nil, true)
	for _, s in ipairs (format.settings) do
		if not ARDOUR.LuaAPI.set_processor_param (vexa, s[1], s[2]) then fail ("cannot set parameter " .. s[1]) end
	end
	ARDOUR.LuaAPI.usleep (settle)
	export_to (kind)
	Session:save_state ("", false, false, false, false, false)
elseif stage == "reopen" then
	if not load_session (dir, name) then fail ("cannot load the session in " .. dir) end
	local vexa = vexa_insert ()
	if not vexa then fail ("no " .. kind .. " Vexa on the master bus of the reopened session") end
	for _, s in ipairs (format.settings) do
		local value, ok = ARDOUR.LuaAPI.get_processor_param (vexa, s[1], true)
		if not ok then fail ("cannot read parameter " .. s[1]) end
		print (string.format ("reopened %d %.9g", s[1], value))
	end
	export_to (kind .. "-reopened")
else
	fail ("unknown stage " .. tostring (stage))
end
close_session ()
