-- Vexa's LV2 edition in Ardour's headless session tool, one stage per run:
--   ardour7-lua ardour_lv2.lua create DIR   a session with the test signal on
--                                           the master bus, saved
--   ardour7-lua ardour_lv2.lua add DIR      Vexa (LV2) after the signal, its
--                                           ports set, processed a moment so
--                                           it took them, saved
--   ardour7-lua ardour_lv2.lua check DIR    the session reloaded: Vexa is
--                                           there with the ports as set;
--                                           processed a moment and saved
-- Q goes to 2 and back to its default: its port then shows the default, but
-- the effect holds the default's single-precision value, which only the
-- plug-in's state keeps over a reload.
-- The settings' output depends on no number of silent cycles before an
-- export: Pitch 0 and Sequence off.
local stage, dir = arg[1], arg[2]
local name = "vexa"
local uri = "urn:corvanta:vexa"
local rate = 44100
local seconds = 3
-- Port (parameter) index and value: Frequency, Intensity, Mix.
local settings = { { 1, 5075 }, { 4, 45 }, { 5, 50 } }
local q, q_default, q_excursion = 0, 0.707, 2
-- How long the engine runs after the ports are set, in microseconds.
local settle = 500000

local function fail (text)
	print ("FAIL: " .. text)
	close_session ()
	os.exit (1)
end

local function vexa_insert ()
	local master = Session:master_out ()
	local i = 0
	while true do
		local proc = master:nth_plugin (i)
		if proc:isnil () then return nil end
		local insert = proc:to_insert ()
		if not insert:isnil () and insert:plugin (0):unique_id () == uri then return proc end
		i = i + 1
	end
end

assert (AudioEngine:set_backend ("None (Dummy)", "", ""), "no dummy backend")

if stage == "create" then
	assert (create_session (dir, name, rate), "cannot create a session in " .. dir)
	local signal = ARDOUR.LuaAPI.new_luaproc (Session, "Vexa Test Signal")
	if signal:isnil () then fail ("the test signal script is not installed") end
	Session:master_out ():add_processor_by_index (signal, 0, nil, true)
	-- The export range; made a session range in the saved file.
	Session:locations ():add_range (Temporal.timepos_t (0), Temporal.timepos_t (rate * seconds))
	Session:save_state ("", false, false, false, false, false)
elseif stage == "add" then
	assert (load_session (dir, name), "cannot load the session in " .. dir)
	local vexa = ARDOUR.LuaAPI.new_plugin (Session, uri, ARDOUR.PluginType.LV2, "")
	if vexa:isnil () then fail ("Ardour finds no LV2 plug-in " .. uri) end
	Session:master_out ():add_processor_by_index (vexa, 1, nil, true)
	for _, s in ipairs (settings) do
		if not ARDOUR.LuaAPI.set_processor_param (vexa, s[1], s[2]) then fail ("cannot set parameter " .. s[1]) end
	end
	ARDOUR.LuaAPI.set_processor_param (vexa, q, q_excursion)
	ARDOUR.LuaAPI.usleep (settle)
	ARDOUR.LuaAPI.set_processor_param (vexa, q, q_default)
	ARDOUR.LuaAPI.usleep (settle)
	Session:save_state ("", false, false, false, false, false)
elseif stage == "check" then
	assert (load_session (dir, name), "cannot load the session in " .. dir)
	local vexa = vexa_insert ()
	if not vexa then fail ("no Vexa on the master bus after reloading") end
	for _, s in ipairs (settings) do
		local v = ARDOUR.LuaAPI.get_processor_param (vexa, s[1], true)
		if v ~= s[2] then fail ("parameter " .. s[1] .. " is " .. tostring (v) .. " after reloading, not " .. s[2]) end
	end
	local v = ARDOUR.LuaAPI.get_processor_param (vexa, q, true)
	if math.abs (v - q_default) > 1e-6 then fail ("Q is " .. tostring (v) .. " after reloading") end
	print ("reloaded: Vexa with its settings")
	ARDOUR.LuaAPI.usleep (settle)
	Session:save_state ("", false, false, false, false, false)
else
	fail ("unknown stage " .. tostring (stage))
end
close_session ()
