#version 120
// The picture: the scene exposed for the adapted luminance and mapped into the displayable
// range, plus the bloom.
uniform sampler2D scene;
uniform sampler2D bloom;
uniform float lumAdapted;
varying vec2 uv;

// Must match the bright pass.
const float KEY = 1.0;
const float BLOOM_STRENGTH = 0.5;

void main()
{
    vec3 exposed = texture2D(scene, uv).rgb * (KEY / lumAdapted);
    vec3 mapped = vec3(1.0) - exp(-exposed);
    gl_FragColor = vec4(mapped + BLOOM_STRENGTH * texture2D(bloom, uv).rgb, 1.0);
}
